#include "playlist/CPlaylistFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/AppFileTestUtil.h"
#include "media/LogCapture.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using Rows = std::vector<std::string>;
using namespace std::string_literals;

// UTF-16LE bytes of `text`, lone surrogates included.
std::string U16(const std::u16string& text) {
    return test::Utf16Le(text);
}

Rows ParseOrFail(const std::string& bytes) {
    const std::optional<Rows> rows = CPlaylistFile::Parse(bytes);
    return rows ? *rows : Rows{"<not a playlist>"};
}

class CPlaylistFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name = "list.mpl") const { return dir_.file(name); }
    Rows ReadBack(const std::string& path) {
        Rows rows;
        if (!CPlaylistFile::Read(path, rows)) return {"<read failed>"};
        return rows;
    }

    test::TempDir dir_;
};

TEST_F(CPlaylistFileTest, PathsSurviveWriteAndRead) {
    const Rows paths = {
        "/home/\xE7\x94\xA8\xE6\x88\xB7/\xE9\x9F\xB3\xE4\xB9\x90/\xE6\xAD\x8C.mp3",  // CJK
        "/films/\xF0\x9F\x8E\xAC night \xF0\x9F\x98\x80.mkv",                        // emoji
        "/music/Bjo\xCC\x88rk/Cafe\xCC\x81.flac",  // combining marks, not precomposed
        "",
        "/deep/" + std::string(3994, 'd'),  // 4,000 bytes
        "",
        "/media/Caf\xE9 cr\xE8me.avi",  // Latin-1 bytes: not UTF-8
        "\xC3 \xED\xA0\x80 \xFF\x80",   // a cut character, an encoded surrogate, stray bytes
        "C:\\Old\\backslash.avi",
        "",
    };
    ASSERT_TRUE(CPlaylistFile::Write(Path(), paths));
    EXPECT_EQ(ReadBack(Path()), paths);

    // The Latin-1 byte E9 is stored as the lone unit U+DCE9, next to ordinary characters.
    const std::string bytes = test::ReadBytes(Path());
    EXPECT_NE(bytes.find(U16(u"/media/Caf\xDCE9 cr\xDCE8me.avi\r\n")), std::string::npos);
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(CPlaylistFile::Serialize(Rows{"a", ""}), "\xFF\xFE"s + U16(u"a\r\n\r\n"));
}

TEST_F(CPlaylistFileTest, OlderVersionsUtf16FileLoadsUnchanged) {
    // As an older version wrote it: mark, UTF-16LE, CR LF, drive letters and backslashes.
    static const char kFile[] =
        "\xFF\xFE"
        "C\0:\0\\\0V\0\\\0a\0.\0a\0v\0i\0\r\0\n\0"
        "D\0:\0\\\0M\0\xFA\0s\0i\0c\0a\0\\\0\x2D\x4E.\0m\0p\0"
        "3\0\r\0\n\0"
        "\r\0\n\0"
        "\\\0\\\0s\0r\0v\0\\\0x\0.\0r\0m\0\r\0\n\0";
    const std::string file(kFile, sizeof(kFile) - 1);
    test::WriteBytes(Path(), file);
    EXPECT_EQ(ReadBack(Path()),
              (Rows{"C:\\V\\a.avi", "D:\\M\xC3\xBAsica\\\xE4\xB8\xAD.mp3", "", "\\\\srv\\x.rm"}));
}

TEST_F(CPlaylistFileTest, EightBitFilesAreReadAsText) {
    const Rows expected = {"/m/caf\xC3\xA9.mp3", "", "/m/cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65.ogg"};
    test::WriteBytes(Path("plain.mpl"),
                     "/m/caf\xC3\xA9.mp3\n\r\n/m/cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65.ogg\n");
    test::WriteBytes(
        Path("mark.mpl"),
        "\xEF\xBB\xBF/m/caf\xC3\xA9.mp3\r\n\r\n/m/cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65.ogg");
    test::WriteBytes(Path("cp1252.mpl"),
                     "/m/caf\xE9.mp3\r\n\r\n/m/cr\xE8me br\xFBl\xE9\x65.ogg\r\n");
    EXPECT_EQ(ReadBack(Path("plain.mpl")), expected);
    EXPECT_EQ(ReadBack(Path("mark.mpl")), expected);  // no final CR LF: the last line counts
    EXPECT_EQ(ReadBack(Path("cp1252.mpl")), expected);

    // Line ends: one CR goes, a second stays; a final LF ends the list.
    EXPECT_EQ(ParseOrFail("a\r\r\nb\rc\n\n"), (Rows{"a\r", "b\rc", ""}));
    EXPECT_EQ(ParseOrFail("\n"), Rows{""});
    EXPECT_EQ(ParseOrFail(""), Rows{});
    EXPECT_EQ(ParseOrFail("\xFF\xFE"), Rows{});
    EXPECT_EQ(ParseOrFail("\xFF\xFE" + U16(u"x")), Rows{"x"});
}

TEST_F(CPlaylistFileTest, OddAndCutFilesKeepTheirWholeRows) {
    // UTF-16: an odd last byte is dropped; a pair cut after its high half becomes U+FFFD.
    EXPECT_EQ(ParseOrFail("\xFF\xFE" + U16(u"ab\r\ncd") + "e"), (Rows{"ab", "cd"}));
    EXPECT_EQ(ParseOrFail("\xFF\xFE" + U16(u"ab\r\nc\xD83D")), (Rows{"ab", "c\xEF\xBF\xBD"}));
    // A lone low surrogate outside the byte range is no byte: U+FFFD too.
    EXPECT_EQ(ParseOrFail("\xFF\xFE" + U16(u"\xDC41")), Rows{"\xEF\xBF\xBD"});
    // UTF-8 cut inside its last character, with and without mark: still UTF-8.
    EXPECT_EQ(ParseOrFail("caf\xC3\xA9\n\xE4\xB8"), (Rows{"caf\xC3\xA9", "\xEF\xBF\xBD"}));
    EXPECT_EQ(ParseOrFail("\xEF\xBB\xBF"
                          "caf\xC3\xA9\n\xF0\x9F\x98"),
              (Rows{"caf\xC3\xA9", "\xEF\xBF\xBD"}));
}

TEST_F(CPlaylistFileTest, NulBytesMarkBinaryFilesAndSkipUtf16Lines) {
    test::LogCapture log;
    test::WriteBytes(Path("binary.mpl"),
                     "/m/a.mp3\n\x7F"
                     "ELF\0\0\x01\n"s);
    Rows rows = {"kept"};
    EXPECT_FALSE(CPlaylistFile::Read(Path("binary.mpl"), rows));
    EXPECT_EQ(rows, Rows{"kept"});
    EXPECT_TRUE(log.Contains(Path("binary.mpl") + " is not a playlist"));

    // UTF-16 with U+0000 units in two lines.
    test::WriteBytes(Path("nul16.mpl"),
                     "\xFF\xFE" + U16(u"a\r\nb"s + u'\0' + u"c\r\n"s + u'\0' + u"\r\nd"s));
    EXPECT_EQ(ReadBack(Path("nul16.mpl")), (Rows{"a", "d"}));
    EXPECT_EQ(log.CountOf("skipped 2 line(s) holding U+0000"), 1);
}

TEST_F(CPlaylistFileTest, LineFeedPathsAreLeftOutAndCarriageReturnsKept) {
    test::LogCapture log;
    ASSERT_TRUE(CPlaylistFile::Write(Path(), Rows{"/a\rb.avi", "/two\nlines.avi", "/c.avi\r"}));
    EXPECT_EQ(ReadBack(Path()), (Rows{"/a\rb.avi", "/c.avi\r"}));
    EXPECT_TRUE(log.Contains(Path() + ": left out 1 path(s) holding a line feed"));

    // The empty list, and a list of nothing storable, are 0-byte files that read as empty.
    ASSERT_TRUE(CPlaylistFile::Write(Path(), Rows{}));
    EXPECT_EQ(test::ReadBytes(Path()), "");
    EXPECT_EQ(ReadBack(Path()), Rows{});
    EXPECT_EQ(CPlaylistFile::Serialize(Rows{"x\ny"}), "");
}

TEST_F(CPlaylistFileTest, RandomBytesParseIntoRowsThatRoundTrip) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255), nonzero(1, 255), length(0, 600);
    int parsed = 0;
    for (int round = 0; round < 600; ++round) {
        std::string bytes(length(random), '\0');
        for (char& c : bytes)
            c = static_cast<char>(round % 3 == 1 ? nonzero(random) : byte(random));
        if (round % 3 == 2) bytes = "\xFF\xFE" + bytes;
        const std::optional<Rows> rows = CPlaylistFile::Parse(bytes);
        if (round % 3 == 0) continue;  // with NUL bytes and no mark: not a playlist
        ASSERT_TRUE(rows) << round;
        ++parsed;
        for (const std::string& row : *rows) ASSERT_EQ(row.find('\n'), std::string::npos);
        ASSERT_EQ(CPlaylistFile::Parse(CPlaylistFile::Serialize(*rows)), rows) << round;
        // The same bytes as paths (cut at every 0xFF), minus those holding LF or NUL.
        Rows paths(1), storable;
        for (char c : bytes) {
            if (c == '\xFF') {
                paths.emplace_back();
            } else {
                paths.back().push_back(c);
            }
        }
        for (const std::string& p : paths) {
            if (p.find_first_of("\n"s + '\0') == std::string::npos) storable.push_back(p);
        }
        ASSERT_EQ(CPlaylistFile::Parse(CPlaylistFile::Serialize(paths)), storable) << round;
    }
    EXPECT_EQ(parsed, 400);
}

TEST_F(CPlaylistFileTest, ReadRefusesWhatIsNoRegularFileOfTextSize) {
    test::LogCapture log;
    const std::string big = Path("big.mpl");
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{300} * 1024 * 1024), 0);  // sparse: no blocks written
    ::close(fd);
    const std::string fifo = Path("fifo.mpl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    Rows rows = {"kept"};
    EXPECT_FALSE(CPlaylistFile::Read(big, rows));
    EXPECT_FALSE(CPlaylistFile::Read(dir_.path().string(), rows));
    EXPECT_FALSE(CPlaylistFile::Read(Path("missing.mpl"), rows));
    EXPECT_FALSE(CPlaylistFile::Read(fifo, rows));  // with no writer: refused, not waited on
    EXPECT_EQ(rows, Rows{"kept"});
    EXPECT_TRUE(log.Contains("Cannot read playlist " + big + ": larger than 256 MiB"));
    EXPECT_TRUE(log.Contains("Cannot read playlist " + dir_.path().string() + ": it is a folder"));
    EXPECT_TRUE(log.Contains("Cannot read playlist " + Path("missing.mpl") + ": No such file"));
    EXPECT_TRUE(log.Contains("Cannot read playlist " + fifo + ": not a regular file"));
}

// Every failed write must leave the old file as it was and no temporary file beside it.
TEST_F(CPlaylistFileTest, FailedWritesKeepTheOldFile) {
    const std::string folder = dir_.file("lists");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::string path = folder + "/old.mpl";
    ASSERT_TRUE(CPlaylistFile::Write(path, Rows{"/old/one.avi", "/old/two.avi"}));
    const std::string before = test::ReadBytes(path);
    const Rows longer = {"/new/" + std::string(200, 'n') + ".avi"};
    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(folder),
                             std::filesystem::directory_iterator());
    };
    test::LogCapture log;
    bool enforced = false;
    {
        // A read-only folder. Root ignores permission bits, so the test drops the capabilities
        // that override them; where the folder stays writable even so, a file-size limit
        // below the new content makes the write fail instead (the limit also stops the log
        // file, so the error line is looked for only in the first case).
        test::ScopedNoPermissionOverride no_override;
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        enforced = !test::CanCreateIn(folder);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        if (!enforced) {
            rlimit small = saved;
            small.rlim_cur = 64;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        EXPECT_FALSE(CPlaylistFile::Write(path, longer));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, old_handler);
        ::chmod(folder.c_str(), 0755);
    }
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(entries(), 1);
    if (enforced) {
        EXPECT_TRUE(log.Contains("Cannot write playlist " + path + ": "));
    }

    // A target that is a folder, and one below a regular file.
    EXPECT_FALSE(CPlaylistFile::Write(dir_.path().string(), longer));
    EXPECT_FALSE(CPlaylistFile::Write(path + "/below.mpl", longer));
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(entries(), 1);
}

}  // namespace
}  // namespace zvp
