#include "app/CFileFinder.h"

#include <gtest/gtest.h>

#include "app/AppFileTestUtil.h"
#include "app/CAppIni.h"
#include "app/SubtitleFiles.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    test::WriteBytes(path.string(), "x");
}

TEST(CFileFinderTest, SubfoldersComeBeforeTheFoldersOwnFiles) {
    test::TempDir dir;
    const fs::path root = dir.path();
    Touch(root / "b.txt");
    Touch(root / "a.txt");
    Touch(root / "skip.bin");
    Touch(root / "sub1/x.txt");
    Touch(root / "sub1/deep/y.TXT");
    Touch(root / "sub2/z.txt");
    fs::create_directories(root / "folder.txt");  // a matching folder is not a result

    CFileFinder finder;
    std::vector<std::string> folders;
    finder.SetProgressCallback([&folders](const std::string& f) { folders.push_back(f); });
    const std::string base = root.string() + "/";
    EXPECT_EQ(finder.FindFiles(root.string(), "*.txt", true), 5);
    EXPECT_EQ(finder.files(),
              (std::vector<std::string>{base + "sub1/deep/y.TXT", base + "sub1/x.txt",
                                        base + "sub2/z.txt", base + "a.txt", base + "b.txt"}));
    EXPECT_EQ(folders, (std::vector<std::string>{base, base + "folder.txt/", base + "sub1/",
                                                 base + "sub1/deep/", base + "sub2/"}));
    EXPECT_EQ(finder.GetFilePath(3), base + "a.txt");
    EXPECT_EQ(finder.GetFilePath(5), "");
    EXPECT_EQ(finder.GetFilePath(-1), "");

    EXPECT_EQ(finder.FindFiles(base, "*.txt", false), 2);  // earlier results cleared
    EXPECT_EQ(finder.FindFiles(base + "missing", "*", true), 0);
}

TEST(CFileFinderTest, StopFlagEndsTheSearchAndLinkLoopsEnd) {
    test::TempDir dir;
    const fs::path root = dir.path();
    Touch(root / "a/1.txt");
    Touch(root / "b/2.txt");
    Touch(root / "3.txt");
    fs::create_directory_symlink(root, root / "a/loop");

    CFileFinder finder;
    EXPECT_EQ(finder.FindFiles(root.string(), "*.txt", true), 3);

    int calls = 0;
    finder.SetProgressCallback([&](const std::string&) {
        if (++calls == 2) finder.StopSearch();
    });
    EXPECT_EQ(finder.FindFiles(root.string(), "*.txt", true), 0);
    EXPECT_EQ(calls, 2);
}

TEST(CFileFinderTest, MasksUseOnlyStarAndQuestionMark) {
    EXPECT_TRUE(CFileFinder::MatchMask("movie*.srt", "Movie.EN.SRT"));
    EXPECT_TRUE(CFileFinder::MatchMask("movie*.srt", "movie.srt"));
    EXPECT_FALSE(CFileFinder::MatchMask("movie*.srt", "movie.srt.bak"));
    EXPECT_TRUE(CFileFinder::MatchMask("*.*", "noext"));
    EXPECT_TRUE(CFileFinder::MatchMask("a?c",
                                       "a\xC3\xA9"
                                       "c"));  // one character, two bytes
    EXPECT_FALSE(CFileFinder::MatchMask("a?c", "ac"));
    EXPECT_TRUE(CFileFinder::MatchMask("Film [2010]*", "film [2010].ass"));
    EXPECT_FALSE(CFileFinder::MatchMask("Film [2010]*", "Film 2.ass"));
    EXPECT_TRUE(CFileFinder::MatchMask("*a*b*", "xxaxxbxx"));
}

TEST(FindSubtitleFilesTest, EachPathOnceAndSorted) {
    test::TempDir dir;
    const fs::path media_folder = dir.path() / "films";
    test::ScopedEnv data_home("XDG_DATA_HOME", (dir.path() / "data").string());
    Touch(media_folder / "movie.avi");
    Touch(media_folder / "movie.en.srt");
    Touch(media_folder / "extra/movie.fr.ass");
    Touch(media_folder / "other.srt");
    Touch(dir.path() / "data/ZVP/Subtitles/movie.srt");
    Touch(dir.path() / "data/ZVP/Subtitles/Movie.SRT.txt");

    CAppIni settings(dir.file("settings.ini"));
    settings.Reload();
    // The default subtitle folder is the media folder again: no duplicates.
    settings.SetString("settings::default_subtitle_path", media_folder.string());

    std::vector<std::string> list;
    FindSubtitleFiles((media_folder / "movie.avi").string(), list, settings);
    EXPECT_EQ(list,
              (std::vector<std::string>{(dir.path() / "data/ZVP/Subtitles/movie.srt").string(),
                                        (media_folder / "extra/movie.fr.ass").string(),
                                        (media_folder / "movie.en.srt").string()}));
}

TEST(FindSubtitleFilesTest, CreatesTheSubtitlesFolder) {
    test::TempDir dir;
    test::ScopedEnv data_home("XDG_DATA_HOME", dir.path().string());
    CAppIni settings(dir.file("settings.ini"));
    std::vector<std::string> list;
    FindSubtitleFiles(dir.file("nothing.mkv"), list, settings);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(fs::is_directory(dir.path() / "ZVP/Subtitles"));
}

}  // namespace
}  // namespace zvp
