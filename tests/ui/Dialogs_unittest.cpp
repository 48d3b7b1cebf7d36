// The media information and about dialogs, the menu-open flag around all three dialogs, and
// the screenshots of the three.
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/TextFormat.h"
#include "engine/CClipInfo.h"
#include "engine/CEngineDS.h"
#include "engine/EventRecorder.h"
#include "playlist/CControlCenter.h"
#include "ui/AppTexts.h"
#include "ui/CAppDialogs.h"
#include "ui/CDlgAbout.h"
#include "ui/CDlgMediaInfo.h"
#include "ui/CPSheetOption.h"
#include "ui/DialogTestUtil.h"
#include "ui/MenuOpenGuard.h"

namespace zvp {
namespace {

using test::MediaPath;
using test::PumpUntil;
using test::WhenShown;

// Records the URLs QDesktopServices hands to the "http" handler instead of a browser.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    UrlRecorder() { QDesktopServices::setUrlHandler("http", this, "Open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("http"); }

    std::vector<QUrl> urls;

  public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

std::vector<std::pair<std::string, std::string>> DialogRows(const CDlgMediaInfo& dialog) {
    std::vector<std::pair<std::string, std::string>> rows;
    QTreeWidget* list = dialog.List();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows.emplace_back(list->topLevelItem(i)->text(0).toStdString(),
                          list->topLevelItem(i)->text(1).toStdString());
    }
    return rows;
}

MediaInfo SampleInfo() {
    return MediaInfo{"clip.mp4",
                     "/films/",
                     {{"General:", ""},
                      {"+ File Size:", "1.5MB"},
                      {"+ File Length:", "01:02"},
                      {"+ Resolution:", "0 x 0"},
                      {"", ""},
                      {"Audio:", ""}}};
}

TEST(MediaInfoDialogTest, ShowsNameFolderAndRowsAsSelectablePlainText) {
    CDlgMediaInfo dialog(nullptr, SampleInfo());
    EXPECT_EQ(dialog.windowTitle(), "Media Infomation");
    auto* name = dialog.findChild<QLabel*>("1001");
    auto* folder = dialog.findChild<QLabel*>("1002");
    ASSERT_TRUE(name && folder);
    EXPECT_EQ(name->text(), "clip.mp4");
    EXPECT_EQ(folder->text(), "/films/");
    for (QLabel* label : {name, folder}) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
    }
    QTreeWidget* list = dialog.List();
    EXPECT_EQ(list->headerItem()->text(0), "Title");
    EXPECT_EQ(list->headerItem()->text(1), "Info");
    // At least 100 px, and every label fits.
    EXPECT_GE(list->columnWidth(0), 100);
    EXPECT_GT(list->columnWidth(0), list->fontMetrics().horizontalAdvance("+ File Length:"));
    EXPECT_TRUE(list->header()->stretchLastSection());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(DialogRows(dialog), SampleInfo().rows);
}

TEST(MediaInfoDialogTest, CopyPutsTheSelectedRowsOrAllOnTheClipboard) {
    CDlgMediaInfo dialog(nullptr, SampleInfo());
    QTreeWidget* list = dialog.List();
    ASSERT_EQ(list->actions().size(), 1);
    QAction* copy = list->actions().front();
    EXPECT_EQ(copy->text(), "&Copy");
    EXPECT_EQ(copy->shortcut(), QKeySequence(QKeySequence::Copy));
    EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);

    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              "General:\t\n+ File Size:\t1.5MB\n+ File Length:\t01:02\n+ Resolution:\t0 x 0\n"
              "\t\nAudio:\t\n");
    // Selected rows in list order, whatever order they were selected in.
    list->topLevelItem(2)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "+ File Size:\t1.5MB\n+ File Length:\t01:02\n");
}

class AppDialogsTest : public test::SettingsHomeTest {
  protected:
    void SetUp() override {
        SettingsHomeTest::SetUp();
        host.resize(320, 240);
        ASSERT_TRUE(center.Initialize(&host, &center.GetPlaylistModel(), 500));
    }
    // Closes the dialog that shows, after `check` has looked at it.
    template <class T>
    static void CloseWhenShown(std::function<void(T*)> check) {
        WhenShown<T>([check](T* dialog) {
            check(dialog);
            dialog->reject();
        });
    }

    QWidget host;
    CControlCenter center;
    CAppDialogs dialogs{center, kProductName, "2.0.17 beta"};
    test::EventRecorder events{center, {"MediaLoaded", "MediaCompleted"}};
};

TEST_F(AppDialogsTest, TheMenuOpenFlagIsSetWhileEachDialogRuns) {
    std::vector<bool> inside;
    auto record = [&](QDialog*) { inside.push_back(IsMenuOpen()); };
    ASSERT_FALSE(IsMenuOpen());
    CloseWhenShown<CPSheetOption>(record);
    dialogs.ShowOptions(&host);
    EXPECT_FALSE(IsMenuOpen());
    CloseWhenShown<CDlgMediaInfo>(record);
    dialogs.ShowMediaInfo(&host);
    EXPECT_FALSE(IsMenuOpen());
    CloseWhenShown<CDlgAbout>(record);
    dialogs.ShowAbout(&host);
    EXPECT_FALSE(IsMenuOpen());
    EXPECT_EQ(inside, (std::vector<bool>{true, true, true}));
}

TEST_F(AppDialogsTest, MediaInfoWithNothingLoaded) {
    CloseWhenShown<CDlgMediaInfo>([](CDlgMediaInfo* dialog) {
        EXPECT_EQ(dialog->findChild<QLabel*>("1001")->text(), "");
        EXPECT_EQ(dialog->findChild<QLabel*>("1002")->text(), "");
        EXPECT_EQ(DialogRows(*dialog), ReadMediaInfo(nullptr).rows);
    });
    dialogs.ShowMediaInfo(&host);
}

TEST_F(AppDialogsTest, MediaInfoIsASnapshotThatOutlivesTheEndAndTheNextLoad) {
    const std::string clip = MediaPath("h264_aac.mp4");
    center.AddFile(clip);
    center.AddFile(MediaPath("tone.mp3"));
    center.Play();
    ASSERT_EQ(center.GetController().GetStateName(), "Playing");
    std::vector<std::pair<std::string, std::string>> shown;
    CloseWhenShown<CDlgMediaInfo>([&](CDlgMediaInfo* dialog) {
        shown = DialogRows(*dialog);
        EXPECT_EQ(dialog->findChild<QLabel*>("1001")->text(), "h264_aac.mp4");
        // The clip ends and the next one loads while the dialog is open.
        CPlaybackController& controller = center.GetController();
        controller.SetPosition(controller.GetDuration() - 0.4);
        ASSERT_TRUE(PumpUntil([&] { return events.Has("MediaCompleted"); }));
        auto loads = [&] {
            return std::count_if(events.events.begin(), events.events.end(),
                                 [](const auto& e) { return e.name == "MediaLoaded"; });
        };
        // The loop mode may move on by itself; otherwise the next row is chosen.
        if (!PumpUntil([&] { return loads() >= 2; }, std::chrono::seconds(2))) center.JumpTo(1);
        ASSERT_TRUE(PumpUntil([&] { return loads() >= 2; }));
        EXPECT_EQ(DialogRows(*dialog), shown);
        EXPECT_EQ(dialog->findChild<QLabel*>("1001")->text(), "h264_aac.mp4");
        dialog->List()->viewport()->repaint();
    });
    dialogs.ShowMediaInfo(&host);
    ASSERT_GE(shown.size(), 17u);
    EXPECT_EQ(shown[3].second, "320 x 240");
    EXPECT_EQ(shown[6].second, "h264");
}

TEST(AboutDialogTest, ShowsNameAndVersionAndOpensTheEncodedChangeLog) {
    UrlRecorder recorder;
    CDlgAbout about(nullptr, "Zeph Vidra Player", "2.0.17 beta");
    EXPECT_EQ(about.windowTitle(), "Zeph Vidra Player 2.0.17 beta");
    auto* text = about.findChild<QLabel*>("1000");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "Zeph Vidra Player 2.0.17 beta");
    EXPECT_EQ(text->textFormat(), Qt::PlainText);
    EXPECT_EQ(about.Link()->text().contains("ChangeLog"), true);
    ASSERT_NE(about.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), nullptr);

    emit about.Link()->linkActivated("changelog");
    ASSERT_EQ(recorder.urls.size(), 1u);
    EXPECT_EQ(recorder.urls[0].toEncoded().toStdString(),
              std::string("http://") + kWebHost + kWhatsNewPath + "2.0.17%20beta");

    CDlgAbout bare(nullptr, "Zeph Vidra Player", "");
    EXPECT_EQ(bare.windowTitle(), "Zeph Vidra Player ");
    EXPECT_EQ(bare.findChild<QLabel*>("1000")->text(), "Zeph Vidra Player ");
    emit bare.Link()->linkActivated("changelog");
    ASSERT_EQ(recorder.urls.size(), 2u);
    EXPECT_EQ(recorder.urls[1].toEncoded().toStdString(),
              std::string("http://") + kWebHost + kWhatsNewPath);
}

// Writes options.png, media_info.png and about.png into $ZVP_SCREENSHOT_DIR (skipped when
// unset), for a person to look at.
TEST_F(AppDialogsTest, Screenshots) {
    const char* dir = std::getenv("ZVP_SCREENSHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "ZVP_SCREENSHOT_DIR is not set";
    std::filesystem::create_directories(dir);
    auto save = [&](QWidget& dialog, const char* name) {
        dialog.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.grab().save(QString::fromUtf8(dir) + "/" + name)) << name;
        dialog.hide();
    };
    CPSheetOption sheet(nullptr, kProductName);
    save(sheet, "options.png");
    center.AddFile(MediaPath("h264_aac.mp4"));
    center.Play();
    CDlgMediaInfo info(nullptr, center);
    save(info, "media_info.png");
    CDlgAbout about(nullptr, kProductName, "2.0.17 beta");
    save(about, "about.png");
}

}  // namespace
}  // namespace zvp

#include "Dialogs_unittest.moc"
