#pragma once

#include <string>

namespace zvp {

// A path split into drive (always empty here), folder (with its trailing "/"), file title and
// extension (with its leading dot). A leading dot of a file name belongs to the title
// (".hidden" has no extension); the extension starts at the last dot after that.
// A value type; any thread.
class PathParts {
  public:
    // Well-known locations (numbers as the callers know them).
    enum Location {
        kExecutable = 1,        // the running executable's full path
        kExecutableFolder = 2,  // its folder (title and extension empty)
        kWindowsFolder = 3,     // no equivalent here: empty (fonts come from fontconfig)
        kSystemFolder = 4,      // no equivalent here: empty
        kTempFolder = 5,        // $TMPDIR or /tmp, with "/"
        kDesktop = 6,           // QStandardPaths Desktop, with "/"
        kFavorites = 7,         // the home folder, with "/"
        kPersonal = 8,          // QStandardPaths Documents, with "/"
        kMyMusic = 9,           // QStandardPaths Music, with "/"
    };

    PathParts() = default;
    explicit PathParts(const std::string& path) { Set(path); }

    // The parts of a well-known location; all empty for an unknown kind.
    static PathParts ForLocation(int kind);

    // Splits `path` into the four parts.
    void Set(const std::string& path);

    std::string FullPath() const { return drive_ + folder_ + title_ + extension_; }
    std::string Folder() const { return drive_ + folder_; }  // with trailing "/"
    std::string FileName() const { return title_ + extension_; }
    std::string PathWithoutExtension() const { return drive_ + folder_ + title_; }
    std::string ExtensionWithoutDot() const;  // "" when none
    // Whether the full path exists (file or folder).
    bool Exists() const;

    const std::string& drive() const { return drive_; }
    const std::string& folder() const { return folder_; }
    const std::string& title() const { return title_; }
    const std::string& extension() const { return extension_; }
    void set_folder(std::string folder) { folder_ = std::move(folder); }
    void set_title(std::string title) { title_ = std::move(title); }
    void set_extension(std::string extension) { extension_ = std::move(extension); }

  private:
    std::string drive_;
    std::string folder_;
    std::string title_;
    std::string extension_;
};

}  // namespace zvp
