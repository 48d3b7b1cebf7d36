#include "subtitle/CSubtitleFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include "app/Logger.h"
#include "app/TextDecoder.h"
#include "subtitle/CSrtConverter.h"
#include "subtitle/SubtitleTestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;
using test::Picture;
using test::ReadFile;
using test::WriteFile;

constexpr const char* kBom = "\xEF\xBB\xBF";

class CSubtitleFileTest : public test::SubtitleTest {
  protected:
    std::string Dir(const std::string& name) {
        const std::string dir = temp_.file(name);
        fs::create_directories(dir);
        return dir + "/";
    }
    std::shared_ptr<CSubtitleFile> FileObject() {
        for (const auto& o : RegisteredSubtitles()) {
            if (o->kind() == kSubtitleExternal) return std::dynamic_pointer_cast<CSubtitleFile>(o);
        }
        return nullptr;
    }
};

TEST_F(CSubtitleFileTest, AssBesideTheClipShowsInItsTimeAndIsHeld) {
    const std::string dir = Dir("media");
    WriteFile(dir + "clip.mkv", "not really a clip");
    WriteFile(dir + "clip.ass",
              test::AssScript("Dialogue: 0,0:00:02.00,0:00:03.00,Default,,0,0,0,,Beside\n"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "clip.mkv"));
    EXPECT_EQ(CSubtitleFile::CurrentPath(), dir + "clip.ass");
    ASSERT_TRUE(FileObject()->has_track());

    EXPECT_TRUE(DrawnRows(1900).empty());
    const auto rows = DrawnRows(2100);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.back(), kHeight - 32 - 1);
    host_->AdvanceTickMs(2400);
    EXPECT_EQ(DrawnRows(4000), rows);  // after its end, within 2.5 s of appearing
    host_->AdvanceTickMs(200);
    EXPECT_TRUE(DrawnRows(4100).empty());

    // Hidden and shown again without reloading.
    ClearSubtitles(kSubtitleExternal);
    EXPECT_TRUE(DrawnRows(2500).empty());
    CSubtitleFile::SetCurrentPath(dir + "clip.ass");
    EXPECT_FALSE(DrawnRows(2500).empty());
}

TEST_F(CSubtitleFileTest, StillCuesAreKeptOnlyWhileTheShownCuesStay) {
    const std::string dir = Dir("still");
    WriteFile(dir + "clip.mkv", "not really a clip");
    WriteFile(dir + "clip.ass",
              test::AssScript("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,First cue\n"
                              "Dialogue: 0,0:00:02.00,0:00:03.00,Default,,0,0,0,,Second cue\n"
                              "Dialogue: 0,0:00:02.50,0:00:03.00,Default,,0,0,0,,{\\pos(320,100)}"
                              "Joining\n"
                              "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,"
                              "{\\fad(800,0)}Fading in\n"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "clip.mkv"));
    const Picture base = Picture::Yv12(kWidth, kHeight);
    const Picture first = Render(base, 1000);
    ASSERT_TRUE(first.Differs(base));
    EXPECT_EQ(Render(base, 1960).data, first.data);
    const Picture second = Render(base, 2000);
    EXPECT_NE(second.data, first.data);
    EXPECT_EQ(Render(base, 2460).data, second.data);
    const Picture joined = Render(base, 2500);
    EXPECT_NE(joined.data, second.data);
    const Picture fading = Render(base, 3400);
    EXPECT_TRUE(fading.Differs(base));
    EXPECT_NE(Render(base, 3440).data, fading.data);

    // Back again, as after a seek: each time shows its own cues, as drawn the first time.
    EXPECT_EQ(Render(base, 1500).data, first.data);
    EXPECT_EQ(Render(base, 2700).data, joined.data);
    EXPECT_EQ(Render(base, 2100).data, second.data);
}

TEST_F(CSubtitleFileTest, AssIsPreferredToSrtOfTheSameName) {
    const std::string dir = Dir("media");
    WriteFile(dir + "film.avi", "");
    WriteFile(dir + "film.srt", "1\n00:00:01,000 --> 00:00:09,000\nFrom the SRT\n");
    WriteFile(dir + "film.ass",
              test::AssScript("Dialogue: 0,0:00:20.00,0:00:21.00,Default,,0,0,0,,From ASS\n"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "film.avi"));
    EXPECT_EQ(CSubtitleFile::CurrentPath(), dir + "film.ass");
    EXPECT_EQ(CSubtitleFile::Candidates().size(), 2u);
    EXPECT_TRUE(DrawnRows(5000).empty());
    EXPECT_FALSE(DrawnRows(20500).empty());
}

TEST_F(CSubtitleFileTest, CandidatesFromTheSubtitleFolderAndPickedFiles) {
    const std::string media = Dir("media");
    const std::string subs = Dir("subs");
    host_->SetSubtitleFolders({subs});
    WriteFile(media + "film.avi", "");
    WriteFile(media + "other.srt", "1\n00:00:01,000 --> 00:00:02,000\nOther\n");
    WriteFile(subs + "film.en.srt", "1\n00:00:01,000 --> 00:00:02,000\nEnglish\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, media + "film.avi"));
    EXPECT_EQ(CSubtitleFile::Candidates(), std::vector<std::string>{subs + "film.en.srt"});
    EXPECT_EQ(CSubtitleFile::CurrentPath(), subs + "film.en.srt");
    EXPECT_FALSE(DrawnRows(1500).empty());

    // A file the user picks is shown.
    WriteFile(media + "picked.srt", "1\n00:00:30,000 --> 00:00:31,000\nPicked\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, media + "picked.srt"));
    EXPECT_EQ(CSubtitleFile::CurrentPath(), media + "picked.srt");
    EXPECT_TRUE(DrawnRows(1500).empty());
    EXPECT_FALSE(DrawnRows(30500).empty());
}

TEST_F(CSubtitleFileTest, FontSettingsApplyAfterResetWithoutReloading) {
    const std::string dir = Dir("media");
    WriteFile(dir + "clip.mkv", "");
    WriteFile(dir + "clip.srt", "1\n00:00:01,000 --> 00:00:09,000\nSized text\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "clip.mkv"));
    auto rows = DrawnRows(2000);
    ASSERT_FALSE(rows.empty());
    const int normal = rows.back() - rows.front() + 1;

    SubtitleSettings settings = host_->ReadSettings();
    settings.font_size = -3;
    settings.font_border_size = -10;
    host_->SetSettings(settings);
    ResetSubtitleRenderer();
    rows = DrawnRows(2000);
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(rows.back() - rows.front() + 1, normal * 2 / 3);

    settings.font_size = 10;
    settings.font_border_size = 1;
    host_->SetSettings(settings);
    ResetSubtitleRenderer();
    rows = DrawnRows(2000);
    EXPECT_GT(rows.back() - rows.front() + 1, normal);
}

TEST_F(CSubtitleFileTest, ConvertedSrtHasTheHeaderAndCarriesTheMark) {
    const std::string dir = Dir("a");
    WriteFile(dir + "movie.srt",
              "1\r\n00:00:01,000 --> 00:00:02,500\r\n<font color=\"#ff0000\">Red</font> "
              "<i>it</i>\r\nsecond\r\n\r\n\r\n2\r\n00:01:00,005 --> 00:01:01,000\r\nB\r\n");
    const std::string out = CSubtitleFile::ConvertToAss(dir + "movie.srt");
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(fs::path(out).filename(), "movie.ass");
    const std::string text = ReadFile(out);
    EXPECT_EQ(text.rfind(std::string(kBom) + CSrtConverter::kHeader, 0), 0u);
    EXPECT_NE(
        text.find(
            "Dialogue: 0,0:00:01.00,0:00:02.50,{\\c&HFF&}Red{\\c} {\\i1}it{\\i0}\\Nsecond\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("Dialogue: 0,0:01:00.01,0:01:01.00,B\r\n"), std::string::npos) << text;
    // Carrying the mark, it needs no copy.
    EXPECT_EQ(CSubtitleFile::CopyAsUtf8(out), out);
    // A missing file gives nothing.
    EXPECT_EQ(CSubtitleFile::ConvertToAss(dir + "missing.srt"), "");
    EXPECT_EQ(CSubtitleFile::CopyAsUtf8(dir + "missing.ass"), "");
}

// The dialogue texts and times of an ASS file, in order: "start|end|text" of each
// "Dialogue:" line, whose fields before the text are the layer, the two times and, in the
// ten-field form, six more.
std::vector<std::string> Dialogues(const std::string& ass, bool tenFields) {
    std::vector<std::string> out;
    std::istringstream in(ass);
    std::string line;
    const size_t fieldsBeforeText = tenFields ? 9 : 3;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Dialogue: ", 0) != 0) continue;
        std::vector<std::string> fields;
        size_t start = 10;
        while (fields.size() < fieldsBeforeText) {
            const size_t comma = line.find(',', start);
            if (comma == std::string::npos) break;
            fields.push_back(line.substr(start, comma - start));
            start = comma + 1;
        }
        if (fields.size() < fieldsBeforeText) continue;
        out.push_back(fields[1] + "|" + fields[2] + "|" + line.substr(start));
    }
    return out;
}

TEST_F(CSubtitleFileTest, ConversionMatchesFfmpegDialogueForDialogue) {
    const std::string dir = Dir("cmp");
    const std::string srt =
        "1\n00:00:01,000 --> 00:00:02,000\nHello, <b>bold</b> and <u>under</u>\n\n"
        "2\n00:00:02,500 --> 00:00:04,123\n<font color=\"#00ff00\" size=\"30\">Green</font> x\n"
        "- two\n\n"
        "3\n00:00:05,000 --> 00:00:06,000 X1:10 X2:100 Y1:10 Y2:50\n{\\an8}Top &amp; <i>it\n\n"
        "4\n01:02:03,456 --> 01:02:04,000\nLine with \\N break and {braces}\n";
    WriteFile(dir + "x.srt", srt);
    const std::string cmd =
        "ffmpeg -nostdin -loglevel error -y -i '" + dir + "x.srt' '" + dir + "ref.ass'";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ffmpeg not available";
    const auto expected = Dialogues(ReadFile(dir + "ref.ass"), true);
    const auto actual = Dialogues(ReadFile(CSubtitleFile::ConvertToAss(dir + "x.srt")), false);
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(actual, expected);
}

TEST_F(CSubtitleFileTest, LegacyEncodingsShowTheRightCharacters) {
    const std::string dir = Dir("enc");
    // Windows-1252: "Café à la crème, señor. Voilà déjà l'été." (bytes E9, E0, E8, F1).
    WriteFile(dir + "w.srt",
              "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9 \xE0 la cr\xE8me, se\xF1or. "
              "Voil\xE0 d\xE9j\xE0 l'\xE9t\xE9.\n");
    const std::string w = ReadFile(CSubtitleFile::ConvertToAss(dir + "w.srt"));
    EXPECT_NE(w.find("Café à la crème, señor. Voilà déjà l'été."), std::string::npos) << w;

    // GBK: "这是一个中文字幕测试。我们正在检查编码转换是否正确。"
    const std::string gbk =
        "\xD5\xE2\xCA\xC7\xD2\xBB\xB8\xF6\xD6\xD0\xCE\xC4\xD7\xD6\xC4\xBB\xB2\xE2\xCA\xD4\xA1\xA3"
        "\xCE\xD2\xC3\xC7\xD5\xFD\xD4\xDA\xBC\xEC\xB2\xE9\xB1\xE0\xC2\xEB\xD7\xAA\xBB\xBB\xCA\xC7"
        "\xB7\xF1\xD5\xFD\xC8\xB7\xA1\xA3";
    WriteFile(dir + "g.srt", "1\n00:00:01,000 --> 00:00:02,000\n" + gbk +
                                 "\n\n2\n00:00:03,000 --> "
                                 "00:00:04,000\n" +
                                 gbk + "\n");
    const std::string g = ReadFile(CSubtitleFile::ConvertToAss(dir + "g.srt"));
    EXPECT_NE(g.find("这是一个中文字幕测试。我们正在检查编码转换是否正确。"), std::string::npos)
        << g;

    // Drawn with a CJK face configured, the Chinese line renders.
    SubtitleSettings settings = host_->ReadSettings();
    settings.font_name = "WenQuanYi Micro Hei";
    host_->SetSettings(settings);
    ResetSubtitleRenderer();
    WriteFile(dir + "g.mkv", "");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "g.mkv"));
    EXPECT_FALSE(DrawnRows(1500).empty());
}

TEST_F(CSubtitleFileTest, AssWithoutMarkIsCopiedAsUtf8) {
    const std::string dir = Dir("copy");
    WriteFile(dir + "s.ass", test::AssScript("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,"
                                             "Gar\xE7on na\xEFve, tr\xE8s d\xE9j\xE0 vu\n"));
    const std::string copy = CSubtitleFile::CopyAsUtf8(dir + "s.ass");
    ASSERT_NE(copy, dir + "s.ass");
    EXPECT_EQ(fs::path(copy).filename(), "s.ass");
    const std::string text = ReadFile(copy);
    EXPECT_EQ(text.rfind(kBom, 0), 0u);
    EXPECT_NE(text.find("Garçon naïve, très déjà vu"), std::string::npos);
    // The source is untouched.
    EXPECT_EQ(ReadFile(dir + "s.ass").find("Garçon"), std::string::npos);
}

TEST_F(CSubtitleFileTest, SameSubtitleNameInTwoFoldersDoesNotClash) {
    const std::string a = Dir("one"), b = Dir("two");
    WriteFile(a + "ep.srt", "1\n00:00:01,000 --> 00:00:02,000\nFirst\n");
    WriteFile(b + "ep.srt", "1\n00:00:01,000 --> 00:00:02,000\nSecond\n");
    const std::string outA = CSubtitleFile::ConvertToAss(a + "ep.srt");
    const std::string outB = CSubtitleFile::ConvertToAss(b + "ep.srt");
    ASSERT_NE(outA, outB);
    EXPECT_NE(ReadFile(outA).find("First"), std::string::npos);
    EXPECT_NE(ReadFile(outB).find("Second"), std::string::npos);
    // The process's own folder (another player makes another) inside the temporary folder.
    const fs::path folder = fs::path(outA).parent_path().parent_path();
    EXPECT_EQ(folder.parent_path(), fs::path(temp_.file("tmp")));
    EXPECT_EQ(folder.filename().string().rfind("zvp-subtitles-", 0), 0u);
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    ShutdownSubtitles();
    EXPECT_FALSE(fs::exists(folder));
    // A new folder is made on the next conversion.
    EXPECT_FALSE(CSubtitleFile::ConvertToAss(a + "ep.srt").empty());
}

TEST_F(CSubtitleFileTest, BrokenFilesNeitherCrashNorDraw) {
    const std::string dir = Dir("broken");
    std::string junk;
    for (int i = 0; i < 65536; ++i) junk.push_back(char((i * 7919 + 13) & 0xFF));
    WriteFile(dir + "junk.mkv", "");
    WriteFile(dir + "junk.srt", junk);
    EXPECT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "junk.mkv"));
    for (int t : {0, 1000, 60000}) EXPECT_TRUE(DrawnRows(t).empty());

    WriteFile(dir + "empty.mkv", "");
    WriteFile(dir + "empty.ass", "[Script Info]\nScriptType: v4.00+\n\n[Events]\n");
    EXPECT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "empty.mkv"));
    EXPECT_TRUE(DrawnRows(1000).empty());

    // Invalid UTF-8 in a file with the mark.
    WriteFile(dir + "bad.mkv", "");
    WriteFile(dir + "bad.ass",
              std::string(kBom) +
                  test::AssScript(
                      "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,ab\xC3\x28\xFF\xFE cd\n"));
    EXPECT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "bad.mkv"));
    DrawnRows(1500);

    // A 1 MB single line, in an SRT and as an embedded text.
    const std::string huge(1 << 20, 'w');
    WriteFile(dir + "huge.mkv", "");
    WriteFile(dir + "huge.srt", "1\n00:00:01,000 --> 00:00:02,000\n" + huge + "\n");
    EXPECT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "huge.mkv"));
    EXPECT_FALSE(DrawnRows(1500).empty());
    const std::string converted = CSubtitleFile::ConvertToAss(dir + "huge.srt");
    EXPECT_LT(ReadFile(converted).size(), CSubtitleAss::kMaxTextBytes + 1024);
}

}  // namespace
}  // namespace zvp

namespace zvp {
namespace {

TEST_F(CSubtitleFileTest, UnreadableTrackIsLoggedAndNothingIsDrawn) {
    const std::string log = temp_.file("log.txt");
    ASSERT_TRUE(Logger::Instance().OpenLogFile(log));
    ResetSubtitleRenderer();
    const std::string dir = Dir("unreadable");
    test::WriteFile(dir + "good.mkv", "");
    test::WriteFile(dir + "good.ass",
                    test::AssScript("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Good\n"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "good.mkv"));
    EXPECT_FALSE(DrawnRows(1500).empty());

    test::WriteFile(dir + "bad.mkv", "");
    test::WriteFile(dir + "bad.ass", std::string(kBom) + "this is not a subtitle script\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "bad.mkv"));
    EXPECT_FALSE(FileObject()->has_track());
    EXPECT_TRUE(DrawnRows(1500).empty());
    Logger::Instance().OpenLogFile("/dev/null");

    const std::string text = ReadFile(log);
    EXPECT_NE(
        text.find("CSubtitleFile::RebuildTrack: External subtitle file loaded. m_ass_track: 0x"),
        std::string::npos);
    EXPECT_NE(text.find("ERROR: CSubtitleFile::RebuildTrack: Can not read an ass track from "
                        "external subtitle file: " +
                        dir + "bad.ass"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("CSubtitle::Setup: ass_set_fonts succssfully: "), std::string::npos);
}

}  // namespace
}  // namespace zvp

namespace zvp {
namespace {

using test::ReadFile;
using test::WriteFile;

class CSubtitleFileFormsTest : public test::SubtitleTest {
  protected:
    std::string Dir(const std::string& name) {
        const std::string dir = temp_.file(name);
        std::filesystem::create_directories(dir);
        return dir + "/";
    }
    static int CountOf(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }
};

// The same two cues (the first of two text lines) with every kind of line end.
TEST_F(CSubtitleFileFormsTest, EveryLineEndGivesTheSameCues) {
    const std::string lf =
        "1\n00:00:01,000 --> 00:00:02,000\nUpper\nLower\n\n2\n00:00:03,000 --> 00:00:04,000\n"
        "Last\n";
    auto with = [&](const std::string& end) {
        std::string text;
        for (char c : lf) text += c == '\n' ? end : std::string(1, c);
        return text;
    };
    const std::string dir = Dir("ends");
    WriteFile(dir + "lf.srt", lf);
    const std::string expected = ReadFile(CSubtitleFile::ConvertToAss(dir + "lf.srt"));
    ASSERT_EQ(CountOf(expected, "Dialogue: "), 2) << expected;
    ASSERT_NE(expected.find("Upper\\NLower\r\n"), std::string::npos) << expected;
    const struct {
        const char* name;
        std::string text;
    } forms[] = {{"crlf", with("\r\n")},
                 {"cr", with("\r")},
                 {"crcrlf", with("\r\r\n")},
                 {"mixed",
                  "1\r00:00:01,000 --> 00:00:02,000\r\nUpper\nLower\r\r2\n"
                  "00:00:03,000 --> 00:00:04,000\rLast"}};
    for (const auto& form : forms) {
        WriteFile(dir + form.name + ".srt", form.text);
        EXPECT_EQ(ReadFile(CSubtitleFile::ConvertToAss(dir + form.name + ".srt")), expected)
            << form.name;
    }

    // An old Mac file beside the media is shown in its cue's time.
    WriteFile(dir + "mac.mkv", "");
    WriteFile(dir + "mac.srt", with("\r"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "mac.mkv"));
    EXPECT_TRUE(DrawnRows(500).empty());
    EXPECT_FALSE(DrawnRows(1500).empty());
}

// Files with a byte-order mark are read in the encoding it names; the UTF-32LE mark starts
// with the UTF-16LE one.
TEST_F(CSubtitleFileFormsTest, ByteOrderMarksNameTheEncoding) {
    using namespace std::string_view_literals;
    const std::string line = "Grüße, €5 𝄞";
    const std::string srt = "1\n00:00:01,000 --> 00:00:02,000\n" + line + "\n";
    const std::string ass =
        test::AssScript("Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,," + line + "\n");
    const std::string dir = Dir("marks");
    const struct {
        const char* charset;
        std::string_view mark;
    } forms[] = {{"UTF-32LE", "\xFF\xFE\0\0"sv},
                 {"UTF-32BE", "\0\0\xFE\xFF"sv},
                 {"UTF-16LE", "\xFF\xFE"sv},
                 {"UTF-16BE", "\xFE\xFF"sv}};
    auto encoded = [](const std::string& text, const auto& form) {
        std::string out;
        EXPECT_TRUE(TextDecoder::FromUtf8(text, form.charset, out));
        return std::string(form.mark) + out;
    };
    for (const auto& form : forms) {
        const std::string name = dir + form.charset;
        WriteFile(name + ".srt", encoded(srt, form));
        const std::string converted = ReadFile(CSubtitleFile::ConvertToAss(name + ".srt"));
        EXPECT_NE(converted.find("," + line + "\r\n"), std::string::npos)
            << form.charset << ": " << converted;
        // An ASS file is copied as UTF-8 for libass.
        WriteFile(name + ".ass", encoded(ass, form));
        EXPECT_EQ(ReadFile(CSubtitleFile::CopyAsUtf8(name + ".ass")), kBom + ass) << form.charset;
    }
}

// A picked file is shown itself or not at all; a failed pick keeps what was shown.
TEST_F(CSubtitleFileFormsTest, PickedFileIsShownItselfOrFailsKeepingTheShownOne) {
    const std::string logFile = temp_.file("log.txt");
    ASSERT_TRUE(Logger::Instance().OpenLogFile(logFile));
    const std::string dir = Dir("pick");
    WriteFile(dir + "film.avi", "");
    WriteFile(dir + "film.srt", "1\n00:00:01,000 --> 00:00:02,000\nBeside\n");
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "film.avi"));
    ASSERT_EQ(CSubtitleFile::CurrentPath(), dir + "film.srt");

    // SSA (v4) read by libass as it is, although an SRT of the same name lies beside it.
    WriteFile(dir + "film.ssa",
              "[Script Info]\nScriptType: v4.00\nPlayResX: 320\nPlayResY: 240\n\n[V4 Styles]\n"
              "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, TertiaryColour, "
              "BackColour, Bold, Italic, BorderStyle, Outline, Shadow, Alignment, MarginL, "
              "MarginR, MarginV, AlphaLevel, Encoding\n"
              "Style: Default,Arial,20,16777215,65535,65535,0,0,0,1,2,0,2,10,10,10,0,1\n\n"
              "[Events]\nFormat: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, "
              "Effect, Text\n"
              "Dialogue: Marked=0,0:00:05.00,0:00:06.00,Default,,0000,0000,0000,,From SSA\n");
    SubtitleData ssa;
    ssa.text = dir + "film.ssa";
    ssa.picked = true;
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, std::move(ssa)));
    EXPECT_EQ(CSubtitleFile::CurrentPath(), dir + "film.ssa");
    EXPECT_TRUE(DrawnRows(1500).empty());
    EXPECT_FALSE(DrawnRows(5500).empty());
    const auto shown = DrawnRows(5500);

    // Missing, not a subtitle, or failing to convert: one line each, the SSA stays.
    const auto pick = [&](const std::string& path) {
        SubtitleData data;
        data.text = path;
        data.picked = true;
        return OpenSubtitle(kSubtitleExternal, 0, std::move(data));
    };
    WriteFile(dir + "film.txt", "1\n00:00:01,000 --> 00:00:02,000\nText\n");
    EXPECT_FALSE(pick(dir + "gone.srt"));
    EXPECT_FALSE(pick(dir + "film.txt"));
    std::filesystem::create_directories(dir + "folder.srt");
    EXPECT_FALSE(pick(dir + "folder.srt"));
    WriteFile(dir + "huge.srt", "");
    std::filesystem::resize_file(dir + "huge.srt", 60u * 1024 * 1024);  // over the limit
    EXPECT_FALSE(pick(dir + "huge.srt"));
    EXPECT_EQ(CSubtitleFile::CurrentPath(), dir + "film.ssa");
    EXPECT_EQ(DrawnRows(5500), shown);
    Logger::Instance().OpenLogFile("/dev/null");
    const std::string log = ReadFile(logFile);
    EXPECT_EQ(CountOf(log, "Cannot open subtitle file: " + dir + "gone.srt"), 1) << log;
    EXPECT_EQ(CountOf(log, "Not a subtitle file (srt, ass or ssa): " + dir + "film.txt"), 1);
    EXPECT_EQ(CountOf(log, "Cannot open subtitle file: " + dir + "folder.srt"), 1);
    EXPECT_EQ(CountOf(log, "Cannot open subtitle file: " + dir + "huge.srt"), 1);

    // Picking does not enter a file in the used files; RememberUsedFile does, once.
    auto count = [&] {
        const auto used = CSubtitleFile::UsedFiles();
        return std::count(used.begin(), used.end(), dir + "film.ssa");
    };
    EXPECT_EQ(count(), 0);
    CSubtitleFile::RememberUsedFile(dir + "film.ssa");
    CSubtitleFile::RememberUsedFile(dir + "film.ssa");
    EXPECT_EQ(count(), 1);
}

}  // namespace
}  // namespace zvp
