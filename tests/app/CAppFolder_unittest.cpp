#include "app/CAppFolder.h"

#include <gtest/gtest.h>

#include "app/AppFileTestUtil.h"
#include "app/PathParts.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

TEST(CAppFolderTest, FoldersAreCreatedOnDemandWithTheirParents) {
    test::TempDir dir;
    const std::string data = dir.file("not/yet/there");
    test::ScopedEnv data_home("XDG_DATA_HOME", data);

    EXPECT_EQ(CAppFolder::GetDataHome(), data + "/");
    EXPECT_FALSE(fs::exists(data));
    EXPECT_EQ(CAppFolder::GetPlaylists(), data + "/ZVP/Playlists/");
    EXPECT_TRUE(fs::is_directory(data + "/ZVP/Playlists"));
    EXPECT_FALSE(fs::exists(data + "/ZVP/Skins"));  // only what was asked for

    EXPECT_EQ(CAppFolder::GetInstaller(), data + "/ZVP/Temp/Installer/");
    EXPECT_TRUE(fs::is_directory(data + "/ZVP/Temp/Installer"));
    EXPECT_EQ(CAppFolder::GetSkins(), data + "/ZVP/Skins/");
    EXPECT_EQ(CAppFolder::GetSubtitles(), data + "/ZVP/Subtitles/");
    EXPECT_TRUE(fs::is_directory(data + "/ZVP/Subtitles"));
    EXPECT_EQ(CAppFolder::GetPlaylistFile(CAppFolder::kDefaultPlaylistName),
              data + "/ZVP/Playlists/__default.mpl");
    EXPECT_EQ(CAppFolder::GetInstallerFile("setup.bin"), data + "/ZVP/Temp/Installer/setup.bin");
}

TEST(CAppFolderTest, DataHomeFallsBackToHomeAndFailedCreationStillAnswers) {
    test::TempDir dir;
    test::ScopedEnv home("HOME", dir.path().string());
    {
        test::ScopedEnv relative("XDG_DATA_HOME", "relative/path");  // ignored by the rules
        EXPECT_EQ(CAppFolder::GetBase(), dir.path().string() + "/.local/share/ZVP/");
        EXPECT_TRUE(fs::is_directory(dir.path() / ".local/share/ZVP"));
    }
    test::WriteBytes(dir.file("file"), "x");
    test::ScopedEnv blocked("XDG_DATA_HOME", dir.file("file"));
    EXPECT_EQ(CAppFolder::GetTemp(), dir.file("file") + "/ZVP/Temp/");
}

TEST(CAppFolderTest, ProgramFolderIsTheExecutablesFolder) {
    const std::string folder = CAppFolder::GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder, PathParts::ForLocation(PathParts::kExecutableFolder).FullPath());
    EXPECT_TRUE(PathParts::ForLocation(PathParts::kExecutable).Exists());
}

TEST(CAppFolderTest, InstalledFilesBesideTheProgramElseUnderThePrefix) {
    test::TempDir dir;
    const std::string bin = dir.file("prefix/bin") + "/";
    fs::create_directories(bin);
    EXPECT_EQ(CAppFolder::GetResourceFolder(bin), dir.file("prefix/share/zvp") + "/");
    EXPECT_EQ(CAppFolder::GetHelperFolder(bin), dir.file("prefix/libexec/zvp") + "/");
    EXPECT_EQ(CAppFolder::GetHelperFolder(bin, "Faultpost"), dir.file("prefix/libexec/zvp") + "/");
    EXPECT_EQ(CAppFolder::GetResourceFolder(dir.file("prefix/bin")),  // no trailing slash
              dir.file("prefix/share/zvp") + "/");

    // The build tree: the files lie beside the program.
    test::WriteBytes(bin + "ZVP.ini", "[Version]\n");
    test::WriteBytes(bin + "Hopover", "");
    EXPECT_EQ(CAppFolder::GetResourceFolder(bin), bin);
    EXPECT_EQ(CAppFolder::GetHelperFolder(bin), bin);
    // Each helper is looked up by its own name.
    EXPECT_EQ(CAppFolder::GetHelperFolder(bin, "Faultpost"), dir.file("prefix/libexec/zvp") + "/");
    test::WriteBytes(bin + "Faultpost", "");
    EXPECT_EQ(CAppFolder::GetHelperFolder(bin, "Faultpost"), bin);

    // Never the working directory: an unknown or relative program folder finds nothing.
    for (const char* unknown : {"", "./", "bin/"}) {
        EXPECT_EQ(CAppFolder::GetResourceFolder(unknown), "") << unknown;
        EXPECT_EQ(CAppFolder::GetHelperFolder(unknown), "") << unknown;
    }
}

TEST(PathPartsTest, SplitsAndJoins) {
    PathParts parts("/media/films/movie.en.srt");
    EXPECT_EQ(parts.drive(), "");
    EXPECT_EQ(parts.folder(), "/media/films/");
    EXPECT_EQ(parts.title(), "movie.en");
    EXPECT_EQ(parts.extension(), ".srt");
    EXPECT_EQ(parts.FileName(), "movie.en.srt");
    EXPECT_EQ(parts.Folder(), "/media/films/");
    EXPECT_EQ(parts.PathWithoutExtension(), "/media/films/movie.en");
    EXPECT_EQ(parts.ExtensionWithoutDot(), "srt");
    EXPECT_EQ(parts.FullPath(), "/media/films/movie.en.srt");

    parts.Set("/a.b/noext");
    EXPECT_EQ(parts.folder(), "/a.b/");
    EXPECT_EQ(parts.title(), "noext");
    EXPECT_EQ(parts.ExtensionWithoutDot(), "");

    parts.Set("/home/u/.hidden");
    EXPECT_EQ(parts.title(), ".hidden");
    EXPECT_EQ(parts.extension(), "");

    parts.Set("name.");
    EXPECT_EQ(parts.folder(), "");
    EXPECT_EQ(parts.title(), "name");
    EXPECT_EQ(parts.extension(), ".");
    EXPECT_EQ(parts.ExtensionWithoutDot(), "");

    parts.Set("/only/folder/");
    EXPECT_EQ(parts.FileName(), "");
    EXPECT_EQ(parts.FullPath(), "/only/folder/");
}

TEST(PathPartsTest, ExistenceAndWellKnownLocations) {
    test::TempDir dir;
    test::WriteBytes(dir.file("here.txt"), "x");
    EXPECT_TRUE(PathParts(dir.file("here.txt")).Exists());
    EXPECT_FALSE(PathParts(dir.file("gone.txt")).Exists());
    EXPECT_FALSE(PathParts().Exists());

    {
        test::ScopedEnv tmp("TMPDIR", dir.path().string());
        EXPECT_EQ(PathParts::ForLocation(PathParts::kTempFolder).FullPath(),
                  dir.path().string() + "/");
    }
    for (int kind :
         {PathParts::kDesktop, PathParts::kFavorites, PathParts::kPersonal, PathParts::kMyMusic}) {
        const std::string folder = PathParts::ForLocation(kind).FullPath();
        ASSERT_FALSE(folder.empty()) << kind;
        EXPECT_EQ(folder.front(), '/') << kind;
        EXPECT_EQ(folder.back(), '/') << kind;
    }
    EXPECT_EQ(PathParts::ForLocation(99).FullPath(), "");
}

}  // namespace
}  // namespace zvp
