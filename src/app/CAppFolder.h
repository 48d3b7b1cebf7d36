#pragma once

#include <string>

namespace zvp {

// Where the player keeps its per-user files. The base folder is "ZVP/" in $XDG_DATA_HOME
// (default ~/.local/share); every folder text ends with "/". Each folder is created, with
// all missing parents, whenever it is asked for and does not exist; the text is returned
// whether or not creation succeeded (a later file operation reports the failure).
//
// Stateless: the environment is read at each call, so tests can point XDG_DATA_HOME at a
// temporary folder. Any thread may call.
class CAppFolder {
  public:
    static constexpr const char* kDefaultPlaylistName = "__default";

    static std::string GetBase();       // <data>/ZVP/
    static std::string GetTemp();       // <base>Temp/
    static std::string GetInstaller();  // <base>Temp/Installer/
    static std::string GetSkins();      // <base>Skins/
    static std::string GetSubtitles();  // <base>Subtitles/
    static std::string GetPlaylists();  // <base>Playlists/

    // "<Playlists>/<name>.mpl".
    static std::string GetPlaylistFile(const std::string& name);
    // "<Installer>/<fileName>".
    static std::string GetInstallerFile(const std::string& fileName);
    // The folder of the running executable, with a trailing "/"; never created.
    static std::string GetProgramFolder();

    // Where the files installed with the program are found; the program folder is never
    // the working directory, and an unknown one gives "" (so nothing is looked up).
    // The folder holding ZVP.ini: `programFolder` itself when the file is there (the build
    // tree), else "<programFolder>/../share/zvp/".
    static std::string GetResourceFolder();
    static std::string GetResourceFolder(const std::string& programFolder);
    // The folder holding a helper program (Hopover, Faultpost): `programFolder` itself when
    // `helper` is there (the build tree), else "<programFolder>/../libexec/zvp/".
    static std::string GetHelperFolder();
    static std::string GetHelperFolder(const std::string& programFolder,
                                       const char* helper = "Hopover");

    // The per-user data folder without "ZVP/": $XDG_DATA_HOME when set to an absolute path,
    // else $HOME/.local/share; with a trailing "/". Not created.
    static std::string GetDataHome();

    // Creates `folder` and its missing parents when it does not exist; returns `folder`.
    static std::string EnsureFolder(const std::string& folder);
};

}  // namespace zvp
