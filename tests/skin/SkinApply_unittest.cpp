#include "skin/SkinApply.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <filesystem>
#include <fstream>

#include "app/AppFileTestUtil.h"
#include "app/CAppFolder.h"
#include "media/LogCapture.h"
#include "skin/CSkinning.h"
#include "skin/SkinWindowFixture.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

const char* const kPieces =
    "titlebar_left=0,0,20,25\ntitlebar_center=20,0,10,25\ntitlebar_fill=30,0,10,25\n"
    "titlebar_right=40,0,10,25\ntitlebar_left_inactive=0,0,20,25\n"
    "titlebar_center_inactive=20,0,10,25\ntitlebar_fill_inactive=30,0,10,25\n"
    "titlebar_right_inactive=40,0,10,25\nctrlbar_left=0,30,10,30\nctrlbar_fill=10,30,10,30\n"
    "ctrlbar_right=20,30,10,30\nleft_fill=30,30,5,10\nright_fill=35,30,5,10\n"
    "background_fill=40,30,10,10\n";

class SkinApplyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skins_ = CAppFolder::GetSkins();
        fs::create_directories(skins_);
        window_.resize(800, 500);
        ApplyDefaultSkin(window_, window_.Slots());
        CSkinning::SetCurrentSkinName(CSkinning::kDefaultSkinName);
    }
    void TearDown() override { CSkinning::SetCurrentSkinName(CSkinning::kDefaultSkinName); }

    // A skin file `name`.ini with its own frame and art in the colour `c`, plus `extra` lines.
    std::string WriteSkin(const std::string& name, QRgb c, const std::string& extra = "") {
        const std::string folder = skins_ + name + "-art/";
        fs::create_directories(folder);
        test::WriteColumns(folder + "frame.bmp", {60, 60}, [c](int) { return c; });
        test::WriteColumns(folder + "stop.bmp", {100, 25}, [c](int x) { return c + x / 25; });
        test::WriteColumns(folder + "channel.bmp", {8, 10}, [c](int) { return c; });
        test::WriteColumns(folder + "thumb.bmp", {10, 10}, [](int) { return qRgb(9, 9, 9); });
        const std::string path = skins_ + name + ".ini";
        test::WriteBytes(path, "[window]\nimage=" + name + "-art/frame.bmp\n" + kPieces +
                                   "[stop]\nimage=" + name +
                                   "-art/stop.bmp\nleft=43\ntop=-30\n"
                                   "[volume_bar]\nimage=" +
                                   name + "-art/channel.bmp\nbox_image=" + name +
                                   "-art/thumb.bmp\nhorz=1\nleft=206\ntop=-20\nwidth=110\n"
                                   "[playlist]\ntext_color=255,0,0\n" +
                                   extra);
        return path;
    }
    int CommandOf(const std::string& path) {
        const std::vector<std::string> skins = CSkinning::ListSkins();
        for (size_t i = 0; i < skins.size(); ++i) {
            if (skins[i] == path) return kSkinFileCommandFirst + static_cast<int>(i);
        }
        return -1;
    }
    bool LooksBuiltIn(CSkinCtrl& ctrl, int art) {
        return ctrl.GetImageSource().resourceId == art && ctrl.GetImage() &&
               !ctrl.GetImage()->IsEmpty();
    }

    test::TempDir data_;
    test::ScopedEnv home_{"XDG_DATA_HOME", data_.path().string()};
    std::string skins_;
    test::MainLikeWindow window_;
};

TEST_F(SkinApplyTest, AFileAppliesOverTheBuiltInLook) {
    const std::string path = WriteSkin("Blue", qRgb(0, 0, 200));
    ASSERT_TRUE(LoadSkinFile(window_, window_.Slots(), path));
    EXPECT_EQ(window_.Frame().source.file, skins_ + "Blue-art/frame.bmp");
    EXPECT_EQ(window_.stop.GetImageSource().file, skins_ + "Blue-art/stop.bmp");
    EXPECT_EQ(window_.stop.GetWidth(), 25);  // strip width / 4
    EXPECT_EQ(window_.stop.GetTop(), -30);
    EXPECT_EQ(window_.volume.GetThumbSize(), QSize(10, 10));
    EXPECT_EQ(window_.playlist.ListCtrl().GetTextColor(), MakeColor(255, 0, 0));
    // Sections the file leaves out keep the built-in values.
    EXPECT_TRUE(LooksBuiltIn(window_.open, 20013));
    EXPECT_EQ(window_.playlist.ListCtrl().GetTextBackgroundColor(), MakeColor(225, 225, 255));
    EXPECT_EQ(window_.Ctrls().size(), 21u);
    EXPECT_EQ(window_.Ctrls().front(), &window_.screen);

    ApplyDefaultSkin(window_, window_.Slots());
    EXPECT_EQ(window_.Frame().source.resourceId, 138);
    EXPECT_TRUE(LooksBuiltIn(window_.stop, 20012));
    EXPECT_EQ(window_.stop.GetTop(), -24);
    EXPECT_EQ(window_.playlist.ListCtrl().GetTextColor(), MakeColor(0, 0, 0));
    EXPECT_EQ(window_.Ctrls().front(), &window_.playlist);
}

TEST_F(SkinApplyTest, SwitchingKeepsValuesStatesTextsTooltipsAndSubscriptions) {
    const std::string path = WriteSkin("Blue", qRgb(0, 0, 200));
    ASSERT_TRUE(test::ShowExposed(window_));  // hidden widgets take their resizes on show
    window_.volume.SetRange(0, 100);
    window_.volume.SetValue(37);
    window_.mute.SetChecked(true);
    window_.playpause.SetPlayState(CSkinButtonPlay::kPlaying);
    window_.title.SetText("Movie");
    window_.stop.SetTooltipText("Stop");
    test::EventLog log;
    log.Watch(window_.stop, {"LeftClicked"});
    const size_t registrations = window_.stop.RegistrationCount();

    for (int command : {CommandOf(path), kSkinDefaultCommand}) {
        ASSERT_TRUE(SwitchSkin(window_, window_.Slots(), command));
        EXPECT_EQ(window_.volume.GetValue(), 37);
        const int travel = window_.volume.TravelLength();
        EXPECT_EQ(window_.volume.GetThumbPos().x(), static_cast<int>(37 * travel / 100.0 + 0.5));
        EXPECT_TRUE(window_.mute.IsChecked());
        EXPECT_TRUE(window_.playpause.IsChecked());
        EXPECT_EQ(window_.playpause.GetPlayState(), CSkinButtonPlay::kPlaying);
        EXPECT_EQ(window_.title.GetText(), "Movie");
        EXPECT_EQ(window_.stop.GetTooltipText(), "Stop");
        EXPECT_EQ(window_.stop.RegistrationCount(), registrations);
    }
    EXPECT_EQ(window_.volume.geometry(), QRect(206, 480, 50, 12));
}

TEST_F(SkinApplyTest, OldImagesGoOnceNothingDrawsThem) {
    const std::string blue = WriteSkin("Blue", qRgb(0, 0, 200));
    const std::string red = WriteSkin("Red", qRgb(200, 0, 0));
    ASSERT_TRUE(LoadSkinFile(window_, window_.Slots(), blue));
    std::weak_ptr<const CMemDC2> frame = window_.Frame().image;
    std::weak_ptr<const CMemDC2> stop = window_.stop.GetImage();
    std::weak_ptr<const CMemDC2> builtinOpen = window_.open.GetImage();
    ASSERT_FALSE(frame.expired());
    ASSERT_TRUE(LoadSkinFile(window_, window_.Slots(), red));
    EXPECT_TRUE(frame.expired());
    EXPECT_TRUE(stop.expired());
    EXPECT_TRUE(builtinOpen.expired());  // drawn again after the cache's release
    // An image a holder keeps outlives the cache's release.
    std::shared_ptr<const CMemDC2> kept = window_.stop.GetImage();
    ApplyDefaultSkin(window_, window_.Slots());
    EXPECT_FALSE(kept->IsEmpty());
}

TEST_F(SkinApplyTest, TwoHundredSwitchesAmongGoodAndBrokenSkins) {
    const std::string blue = WriteSkin("Blue", qRgb(0, 0, 200));
    const std::string red = WriteSkin("Red", qRgb(200, 0, 0), "[open]\nimage=missing.bmp\n");
    test::WriteBytes(skins_ + "Broken.ini", "[window]\nimage=nothing.bmp\n[stop]\nleft=-9999\n");
    ASSERT_TRUE(test::ShowExposed(window_));
    window_.volume.SetRange(0, 100);
    window_.volume.SetValue(37);
    const int commands[] = {kSkinDefaultCommand, CommandOf(blue), CommandOf(red),
                            CommandOf(skins_ + "Broken.ini")};
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(SwitchSkin(window_, window_.Slots(), commands[(i * 7) % 4]));
        const QImage shot = window_.grab().toImage();
        ASSERT_EQ(shot.size(), window_.size() * window_.devicePixelRatioF());
        ASSERT_TRUE(window_.Frame().image && !window_.Frame().image->IsEmpty());
    }
    EXPECT_EQ(window_.volume.GetValue(), 37);
}

TEST_F(SkinApplyTest, BrokenSkinsLogAndKeepTheBuiltInLook) {
    test::LogCapture capture;
    const std::string art = skins_ + "art/";
    fs::create_directories(art);
    test::WriteColumns(art + "frame.bmp", {60, 60}, [](int) { return qRgb(1, 2, 3); });
    test::WriteColumns(art + "stop.bmp", {100, 25}, [](int) { return qRgb(1, 2, 3); });
    {
        std::string bytes = test::ReadBytes(art + "stop.bmp");
        test::WriteBytes(art + "short.bmp", bytes.substr(0, bytes.size() / 2));
    }
    const struct {
        const char* name;
        std::string text;
        const char* line;
        bool applied;
    } cases[] = {
        {"NoFrame", "[window]\nimage=art/none.bmp\n[stop]\nimage=art/stop.bmp\n",
         "Cannot load skin frame image", false},
        {"ShortFrame", "[window]\nimage=art/short.bmp\n", "Cannot load skin image", false},
        {"NoWindow", "[stop]\nimage=art/stop.bmp\n", "Skin file has no window section", false},
        {"ShortStrip", "[window]\nimage=art/frame.bmp\n[stop]\nimage=art/short.bmp\nleft=1\n",
         "Cannot load skin image", true},
        {"OffWindow",
         std::string("[window]\nimage=art/frame.bmp\n[stop]\nimage=art/stop.bmp\nleft=5000\n"),
         "Skin control lies outside the window: [stop]", true},
        {"OffTop", "[window]\nimage=art/frame.bmp\n[stop]\nimage=art/stop.bmp\ntop=-9000\n",
         "Skin control lies outside the window: [stop]", true},
    };
    for (const auto& c : cases) {
        const std::string path = skins_ + c.name + ".ini";
        test::WriteBytes(path, c.text);
        EXPECT_EQ(LoadSkinFile(window_, window_.Slots(), path), c.applied) << c.name;
        EXPECT_TRUE(capture.Contains(c.line)) << c.name;
        EXPECT_TRUE(LooksBuiltIn(window_.stop, 20012)) << c.name;
        EXPECT_EQ(window_.stop.GetLeft(), 43) << c.name;
        EXPECT_EQ(window_.Frame().source.resourceId, c.applied ? 0 : 138) << c.name;
        (void)window_.grab();
    }
    EXPECT_FALSE(LoadSkinFile(window_, window_.Slots(), skins_ + "absent.ini"));
    EXPECT_TRUE(capture.Contains("Cannot read skin file"));
    EXPECT_EQ(window_.Frame().source.resourceId, 138);
}

TEST_F(SkinApplyTest, MenuListsTheSkinsWithIdsAndARadioMark) {
    QMenu empty;
    EXPECT_EQ(AddSkinsMenu(empty), nullptr);
    EXPECT_TRUE(empty.actions().isEmpty());

    for (const char* name : {"Blue", "R&B", "Red"}) test::WriteBytes(skins_ + name + ".ini", "");
    const auto build = [](QMenu& menu) {
        std::vector<std::tuple<QString, int, bool>> items;
        QMenu* sub = AddSkinsMenu(menu);
        EXPECT_NE(sub, nullptr);
        if (!sub) return items;
        EXPECT_EQ(sub->title(), "&Skins");
        for (QAction* a : sub->actions()) {
            items.emplace_back(a->isSeparator() ? "-" : a->text(),
                               a->isSeparator() ? 0 : a->data().toInt(), a->isChecked());
        }
        return items;
    };
    QMenu first;
    using Items = std::vector<std::tuple<QString, int, bool>>;
    EXPECT_EQ(build(first), (Items{{"Default", 16900, true},
                                   {"-", 0, false},
                                   {"Blue", 16901, false},
                                   {"R&&B", 16902, false},
                                   {"Red", 16903, false}}));
    EXPECT_TRUE(first.actions().front()->isSeparator());

    ASSERT_TRUE(SwitchSkin(window_, window_.Slots(), 16902));
    EXPECT_EQ(CSkinning::CurrentSkinName(), skins_ + "R&B.ini");
    QMenu second;
    const Items marked = build(second);
    EXPECT_TRUE(std::get<2>(marked[3]));
    EXPECT_FALSE(std::get<2>(marked[0]));
    ASSERT_TRUE(SwitchSkin(window_, window_.Slots(), kSkinDefaultCommand));
    QMenu third;
    EXPECT_TRUE(std::get<2>(build(third)[0]));

    EXPECT_FALSE(SwitchSkin(window_, window_.Slots(), 16904));  // past the list
    EXPECT_FALSE(SwitchSkin(window_, window_.Slots(), 12345));
    EXPECT_EQ(CSkinning::CurrentSkinName(), CSkinning::kDefaultSkinName);
}

TEST_F(SkinApplyTest, MissingArgumentsApplyNothing) {
    const SkinCtrlValues values;
    EXPECT_FALSE(ApplyCtrlSection(nullptr, &window_.stop, &values));
    EXPECT_FALSE(ApplyCtrlSection(&window_, nullptr, &values));
    EXPECT_FALSE(ApplyCtrlSection(&window_, &window_.stop, nullptr));
    EXPECT_TRUE(LooksBuiltIn(window_.stop, 20012));
}

}  // namespace
}  // namespace zvp
