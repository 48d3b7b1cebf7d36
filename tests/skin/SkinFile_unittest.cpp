#include "skin/SkinFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QRect>
#include <chrono>
#include <filesystem>

#include "app/AppFileTestUtil.h"
#include "app/CAppIni.h"
#include "media/LogCapture.h"
#include "skin/BuiltinSkin.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

class SkinFileTest : public ::testing::Test {
  protected:
    std::string Folder() const { return dir_.path().string() + "/"; }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        fs::create_directories(fs::path(path).parent_path());
        test::WriteBytes(path, bytes);
        return path;
    }
    // One control section of `text` parsed as `kind`.
    SkinCtrlValues Ctrl(const std::string& text, SkinCtrlKind kind) {
        IniDocument document;
        document.Parse("[c]\n" + text, IniDocument::LoadMode::kReplace);
        return ParseCtrlSection(document, "c", kind, Folder()).value_or(SkinCtrlValues{});
    }

    test::TempDir dir_;
    test::LogCapture log_;
};

TEST_F(SkinFileTest, UnreadableFilesAreNeverCreated) {
    IniDocument document;
    document.SetValue("old", "k", "v");
    const std::string missing = dir_.file("missing.ini");
    EXPECT_FALSE(ReadSkinFile(missing, document));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(document.sections().empty());
    EXPECT_EQ(log_.CountOf("Cannot read skin file: " + missing + "\n"), 1);

    const std::string fifo = dir_.file("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = Write("large.ini", "[window]\n" + std::string(kMaxSkinFileSize, '#'));
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, large, dir_.path().string()}) {
        EXPECT_FALSE(ReadSkinFile(path, document)) << path;
        EXPECT_EQ(log_.CountOf("Cannot read skin file: " + path + "\n"), 1) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(ReadSkinDefinition(missing).has_value());
    EXPECT_FALSE(log_.Contains("has no window section"));
}

TEST_F(SkinFileTest, FilesWithoutAWindowSectionAreAbandoned) {
    const std::string empty = Write("empty.ini", "");
    const std::string junk = Write("junk.ini", std::string("\x7F"
                                                           "ELF\0\x01\xFF\xFE[w\0i",
                                                           12));
    const std::string other = Write("other.ini", "[stop]\nleft=5\n# [window]\nwindow=1\n");
    for (const std::string& path : {empty, junk, other}) {
        EXPECT_FALSE(ReadSkinDefinition(path).has_value()) << path;
        EXPECT_TRUE(log_.Contains("Skin file has no window section: " + path)) << path;
    }
}

TEST_F(SkinFileTest, Utf16FilesAndPaddedValuesRead) {
    const std::string path =
        Write("Blue.ini",
              "\xFF\xFE" + test::Utf16Le(u"[Window]\r\n  image = frame.bmp \t\r\n"
                                         u"titlebar_left= 1, 2 ,3,4\r\n"
                                         u"[STOP]\r\nleft =\t-30 \r\nimage=Caf\u00e9.bmp\r\n"));
    Write("frame.bmp", "x");
    IniDocument document;
    ASSERT_TRUE(ReadSkinFile(path, document));
    EXPECT_EQ(*document.FindValue("window", "image"), "frame.bmp");
    EXPECT_EQ(*document.FindValue("stop", "left"), "-30");

    const std::optional<SkinDefinition> skin = ReadSkinDefinition(path);
    ASSERT_TRUE(skin.has_value());
    EXPECT_EQ(skin->window.image.file, Folder() + "frame.bmp");
    EXPECT_EQ(skin->window.pieces[0], (SkinRect{1, 2, 3, 4}));
    ASSERT_NE(skin->FindCtrl("stop"), nullptr);
    EXPECT_EQ(skin->FindCtrl("stop")->left, -30);
    EXPECT_EQ(skin->FindCtrl("stop")->image.file, Folder() + "Caf\xC3\xA9.bmp");
    EXPECT_EQ(skin->FindCtrl("open"), nullptr);  // absent sections leave their controls be
}

TEST_F(SkinFileTest, NumbersAreLeadingIntegersClampedForGeometry) {
    EXPECT_EQ(ParseSkinInt("s", "k", "12px"), 12);
    EXPECT_EQ(ParseSkinInt("s", "k", " -7"), -7);
    EXPECT_EQ(ParseSkinInt("s", "k", "abc"), 0);
    EXPECT_EQ(ParseSkinInt("s", "k", ""), 0);
    EXPECT_EQ(ParseSkinInt("s", "k", "32767"), 32767);
    EXPECT_EQ(ParseSkinInt("s", "k", "-32767"), -32767);
    EXPECT_FALSE(log_.Contains("out of range"));
    EXPECT_EQ(ParseSkinInt("stop", "left", "99999999999"), 32767);
    EXPECT_EQ(ParseSkinInt("stop", "top", "-32768"), -32767);
    EXPECT_TRUE(log_.Contains("Skin value out of range: [stop] left\n"));
    EXPECT_TRUE(log_.Contains("Skin value out of range: [stop] top\n"));

    const SkinCtrlValues values =
        Ctrl("width=99999999999\nimage_pieces=40000\n", SkinCtrlKind::kButton);
    EXPECT_EQ(values.width, 32767);
    EXPECT_EQ(values.imagePieces, 32767);
    EXPECT_TRUE(log_.Contains("Skin value out of range: [c] width\n"));
}

TEST_F(SkinFileTest, ColoursNeedExactlyThreePartsEachClamped) {
    EXPECT_EQ(ParseSkinColor("255, 0, 0"), MakeColor(255, 0, 0));
    EXPECT_EQ(ParseSkinColor("1,2,3"), MakeColor(1, 2, 3));
    // 256 must not carry into green.
    EXPECT_EQ(ParseSkinColor("256,0,0"), MakeColor(255, 0, 0));
    EXPECT_EQ(ParseSkinColor("-5, 300, 7"), MakeColor(0, 255, 7));
    EXPECT_EQ(ParseSkinColor("x, 9y, 3"), MakeColor(0, 9, 3));
    for (const char* text : {"", "1,2", "1,2,3,4", "255 0 0", "1,2,3,"}) {
        EXPECT_EQ(ParseSkinColor(text), std::nullopt) << text;
    }
}

TEST_F(SkinFileTest, FramePiecesNeedFourParts) {
    EXPECT_EQ(ParseSkinPiece("window", "k", "1, 2, 3, 4, 5"), (SkinRect{1, 2, 3, 4}));
    EXPECT_EQ(ParseSkinPiece("window", "k", "-1,2px,,4"), (SkinRect{-1, 2, 0, 4}));
    EXPECT_EQ(ParseSkinPiece("window", "k", "70, 0, 10"), SkinRect{});
    EXPECT_EQ(ParseSkinPiece("window", "k", ""), SkinRect{});

    IniDocument document;
    document.Parse(
        "[window]\ntitlebar_fill=70,0,10\nctrlbar_fill=1,2,3,4\nbackground_fill=0,0,99999,1\n",
        IniDocument::LoadMode::kReplace);
    const std::optional<SkinWindowValues> window = ParseWindowSection(document, Folder());
    ASSERT_TRUE(window.has_value());
    EXPECT_TRUE(window->image.empty());
    EXPECT_EQ(window->pieces[2], SkinRect{});
    EXPECT_TRUE(window->pieces[2].IsEmpty());
    EXPECT_EQ(window->pieces[9], (SkinRect{1, 2, 3, 4}));
    EXPECT_EQ(window->pieces[13], (SkinRect{0, 0, 32767, 1}));
    EXPECT_TRUE(log_.Contains("Skin value out of range: [window] background_fill\n"));
}

TEST_F(SkinFileTest, FileNamesFromWindowsResolveInAnyCase) {
    Write("Images/Buttons/Stop.BMP", "x");
    Write("exact.bmp", "x");
    Write("EXACT.BMP", "x");
    EXPECT_EQ(ResolveSkinFile(Folder(), "images\\buttons\\STOP.bmp"),
              Folder() + "Images/Buttons/Stop.BMP");
    EXPECT_EQ(ResolveSkinFile(Folder(), "Images/Buttons/Stop.BMP"),
              Folder() + "Images/Buttons/Stop.BMP");
    EXPECT_EQ(ResolveSkinFile(Folder(), "exact.bmp"), Folder() + "exact.bmp");
    EXPECT_EQ(ResolveSkinFile(Folder(), "Exact.bmp"), Folder() + "EXACT.BMP");  // first by bytes
    EXPECT_EQ(ResolveSkinFile(Folder(), "images\\.\\buttons\\..\\buttons\\stop.bmp"),
              Folder() + "Images/./Buttons/../Buttons/Stop.BMP");
    // No match: the path as written, with "/" separators.
    EXPECT_EQ(ResolveSkinFile(Folder(), "images\\none.bmp"), Folder() + "images/none.bmp");
    EXPECT_EQ(ResolveSkinFile(Folder(), ""), "");
}

TEST_F(SkinFileTest, GeometryDefaults) {
    Write("strip.bmp", "x");
    // No pieces count, 0, or a negative one: 4.
    for (const char* pieces : {"", "image_pieces=0\n", "image_pieces=-3\n", "image_pieces=x\n"}) {
        EXPECT_EQ(Ctrl(pieces, SkinCtrlKind::kButton).imagePieces, 4) << pieces;
    }
    EXPECT_EQ(Ctrl("image_pieces=3\n", SkinCtrlKind::kButton).imagePieces, 3);

    // Width from the strip, height from the strip.
    SkinCtrlValues values = Ctrl("image=strip.bmp\nleft=-30\ntop=7\n", SkinCtrlKind::kButton);
    EXPECT_EQ(values.image.file, Folder() + "strip.bmp");
    EXPECT_EQ(values.Geometry(80, 20), (SkinRect{-30, 7, 20, 20}));
    values.imagePieces = 3;
    EXPECT_EQ(values.Geometry(80, 20), (SkinRect{-30, 7, 26, 20}));
    // A negative right or bottom stretches when the size is 0; a positive one is ignored.
    values = Ctrl("width=0\nright=-7\nbottom=-3\n", SkinCtrlKind::kButton);
    EXPECT_EQ(values.Geometry(80, 20), (SkinRect{0, 0, -7, -3}));
    values = Ctrl("right=7\nbottom=3\n", SkinCtrlKind::kButton);
    EXPECT_EQ(values.Geometry(80, 20), (SkinRect{0, 0, 20, 20}));
    // Given sizes win over right and bottom; no image and nothing negative: zero stays zero.
    values = Ctrl("width=5\nheight=-6\nright=-7\nbottom=-3\n", SkinCtrlKind::kButton);
    EXPECT_EQ(values.Geometry(80, 20), (SkinRect{0, 0, 5, -6}));
    EXPECT_EQ(Ctrl("", SkinCtrlKind::kButton).Geometry(0, 0), SkinRect{});
    EXPECT_TRUE(Ctrl("image=\n", SkinCtrlKind::kButton).image.empty());
}

TEST_F(SkinFileTest, KindKeysAndTheirDefaults) {
    // Slider: vertical unless "horz" is non-zero; the thumb image always applied.
    SkinCtrlValues slider =
        Ctrl("box_image=thumb.bmp\nbackground_color=1,2,3\n", SkinCtrlKind::kSlider);
    EXPECT_FALSE(slider.horizontal);
    EXPECT_EQ(slider.boxImage.file, Folder() + "thumb.bmp");
    EXPECT_EQ(slider.backgroundColor, std::nullopt);
    EXPECT_TRUE(Ctrl("horz=1\n", SkinCtrlKind::kSlider).horizontal);
    EXPECT_TRUE(Ctrl("", SkinCtrlKind::kSlider).boxImage.empty());

    // Sizer: its colour by default; pieces <= 0 leave the box's width alone.
    SkinCtrlValues sizer = Ctrl("box_pieces=-2\n", SkinCtrlKind::kSizer);
    EXPECT_EQ(sizer.backgroundColor, kSizerBackgroundColor);
    EXPECT_EQ(sizer.boxPieces, 0);
    sizer = Ctrl("box_pieces=6\nbackground_color=10, 20, 30\n", SkinCtrlKind::kSizer);
    EXPECT_EQ(sizer.boxPieces, 6);
    EXPECT_EQ(sizer.backgroundColor, MakeColor(10, 20, 30));
    EXPECT_EQ(Ctrl("background_color=1,2\n", SkinCtrlKind::kSizer).backgroundColor,
              kSizerBackgroundColor);

    // String: the font only with both sizes; colours only with three parts.
    SkinCtrlValues string =
        Ctrl("font_width=10\ntext_color=1,2\nbackground_color=255,0,0\n", SkinCtrlKind::kString);
    EXPECT_FALSE(string.HasFont());
    EXPECT_EQ(string.fontHeight, 0);
    EXPECT_EQ(string.textColor, std::nullopt);
    EXPECT_EQ(string.textFocusColor, std::nullopt);
    EXPECT_EQ(string.backgroundColor, MakeColor(255, 0, 0));
    string =
        Ctrl("font_width=10\nfont_height=14\ntext_focus_color=0,0,255\n", SkinCtrlKind::kString);
    EXPECT_TRUE(string.HasFont());
    EXPECT_EQ(string.fontWidth, 10);
    EXPECT_EQ(string.fontHeight, 14);
    EXPECT_EQ(string.textFocusColor, MakeColor(0, 0, 255));

    // List: its five colours.
    const SkinCtrlValues list = Ctrl(
        "text_color=1,1,1\ntext_background_color=2,2,2\ntext_error_color=3,3,3\n"
        "text_highlight_color=4,4,4\ntext_highlight_background_color=5,5,5\n",
        SkinCtrlKind::kList);
    EXPECT_EQ(list.textColor, MakeColor(1, 1, 1));
    EXPECT_EQ(list.textBackgroundColor, MakeColor(2, 2, 2));
    EXPECT_EQ(list.textErrorColor, MakeColor(3, 3, 3));
    EXPECT_EQ(list.textHighlightColor, MakeColor(4, 4, 4));
    EXPECT_EQ(list.textHighlightBackgroundColor, MakeColor(5, 5, 5));
    EXPECT_EQ(list.backgroundColor, std::nullopt);

    // Buttons take no kind keys.
    const SkinCtrlValues button =
        Ctrl("horz=1\nbox_image=a.bmp\ntext_color=1,1,1\nfont_width=1\nfont_height=1\n",
             SkinCtrlKind::kCheck);
    EXPECT_EQ(button, Ctrl("", SkinCtrlKind::kCheck));
}

TEST_F(SkinFileTest, BuiltinSkinMatchesTheSectionTables) {
    ASSERT_EQ(kBuiltinCtrls.size(), kMainWindowSections.size());
    for (size_t i = 0; i < kBuiltinCtrls.size(); ++i) {
        const BuiltinCtrl& ctrl = kBuiltinCtrls[i];
        EXPECT_STREQ(ctrl.section, kMainWindowSections[i].name);
        EXPECT_EQ(ctrl.kind, kMainWindowSections[i].kind) << ctrl.section;
        for (const int id : {ctrl.imageId, ctrl.boxImageId}) {
            EXPECT_TRUE(id == 0 || FindBuiltinArt(id)) << ctrl.section << " " << id;
        }
    }
    const BuiltinArt* frame = FindBuiltinArt(kBuiltinFrameArt);
    ASSERT_NE(frame, nullptr);
    for (const SkinRect& piece : kBuiltinFramePieces) {
        EXPECT_TRUE(QRect(0, 0, frame->width, frame->height)
                        .contains(QRect(piece.x, piece.y, piece.width, piece.height)));
    }
    EXPECT_EQ(FindBuiltinCtrl("PlayPause"), &kBuiltinCtrls[7]);
    EXPECT_EQ(FindBuiltinCtrl("fullscreen_stop"), nullptr);

    // The built-in controls as parsed sections: sizes derive as a skin file's would.
    const SkinCtrlValues play = BuiltinCtrlValues(*FindBuiltinCtrl("playpause"));
    EXPECT_EQ(play.imagePieces, 8);
    EXPECT_EQ(play.Geometry(288, 20), (SkinRect{103, -24, 36, 20}));
    EXPECT_EQ(BuiltinCtrlValues(*FindBuiltinCtrl("sizer")).backgroundColor, kSizerBackgroundColor);
}

}  // namespace
}  // namespace zvp
