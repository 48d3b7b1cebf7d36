#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zvp {

// The player's command line: options, then the files to open.
//
//   zvp [--enqueue] [--] [FILE | DIR | file://URL]...
//   zvp --help | --version
//
// Stateless; any thread (ResolveArguments reads the file system and may take a while on a
// large folder).
class CommandLine {
  public:
    enum class Action {
        kRun,      // start (or reach) the player with `arguments`
        kHelp,     // print UsageText() and end with 0
        kVersion,  // print "zvp <version>" and end with 0
    };
    struct Parsed {
        Action action = Action::kRun;
        bool enqueue = false;                // append to a running player's playlist
        std::vector<std::string> arguments;  // the paths and URLs, in order
    };
    // What the arguments open: the paths in order, and the index among them of the file that
    // becomes current (the last argument's file, or a last folder's first file), -1 for none.
    struct OpenList {
        std::vector<std::string> paths;
        int current = -1;
    };

    // Reads the arguments after the program's name. "--help" (or "-h") and "--version" win
    // over everything before "--"; "--enqueue" sets the flag; "--" ends the options, and every
    // other argument is a path, one starting with '-' included.
    static Parsed Parse(const std::vector<std::string>& args);
    static Parsed Parse(int argc, char** argv);

    // How many of argv's entries (the program's name included) come before a "--": the part
    // Qt may take its own options from.
    static int OptionCount(int argc, char** argv);

    static std::string UsageText();

    // The local path an argument names: a "file:" URL becomes its local path (a host other
    // than none or "localhost", or any other scheme, gives ""); anything else is taken as a
    // path. Relative paths are made absolute against the working directory; the result is
    // lexically normal. Existence is not checked.
    static std::string ArgumentToPath(std::string_view argument);

    // Whether a folder argument adds `path`: its extension is in the video or audio lists or
    // in the MIME table (ASCII case ignored).
    static bool IsMediaFile(std::string_view path);

    // Maps every argument with ArgumentToPath, drops those that name nothing, and replaces a
    // folder with its media files (subfolders too, in CFileFinder's order).
    static OpenList ResolveArguments(const std::vector<std::string>& arguments);
};

}  // namespace zvp
