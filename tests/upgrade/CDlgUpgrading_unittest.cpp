// The offer dialog offscreen: placement and texts, What's New, Install and the ways it closes.
#include "upgrade/CDlgUpgrading.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>

#include "support/FileWatch.h"
#include "support/TestUtil.h"
#include "upgrade/IUpgradeHost.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

// A main-window stand-in that owns the dialog and closes it with itself.
class HostWindow : public QWidget, public IUpgradeHost {
  public:
    std::string GetRunningVersionText() const override { return "2.0.17 beta"; }
    void PostToUiThread(std::function<void()> call) override {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }
    void AdoptUpgradeDialog(std::unique_ptr<CDlgUpgrading> dialog) override {
        dialog_ = std::move(dialog);
    }
    void CloseMainWindow() override {
        ++closeRequests;
        close();
    }
    CDlgUpgrading* Dialog() const { return dialog_.get(); }

    int closeRequests = 0;

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (dialog_) dialog_->close();
        event->accept();
    }

  private:
    std::unique_ptr<CDlgUpgrading> dialog_;
};

// Records the URLs QDesktopServices would hand to the desktop's opener.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    UrlRecorder() { QDesktopServices::setUrlHandler("https", this, "Open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("https"); }
    std::vector<QByteArray> urls;

  public slots:
    void Open(const QUrl& url) { urls.push_back(url.toEncoded()); }
};

class DlgUpgradingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(installer_);
        // The fake relauncher writes its argument count and arguments, then renames the record
        // into place so the test sees it whole.
        std::ofstream(program_.file("Hopover"))
            << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$0\" \"$@\" > \"$0.rec\" && mv \"$0.rec\" "
               "\"$(dirname \"$0\")/record\"\n";
        ::chmod(program_.file("Hopover").c_str(), 0755);
        offer_.installerName = "zvp_2.0.18.run";
        offer_.installerFolder = installer_ + "/";
        offer_.installerPath = offer_.installerFolder + offer_.installerName;
        offer_.programFolder = program_.path().string() + "/";
        offer_.versionText = "2.0.17 beta";
        offer_.webUrl = "https://127.0.0.1:9";
        offer_.productName = "Zeph Vidra Player";
        offer_.productAbbreviation = "ZVP";
    }

    // Shows the offer the way the worker's queued call does.
    CDlgUpgrading& Show(HostWindow& host) {
        host.show();
        auto dialog = std::make_unique<CDlgUpgrading>(host, offer_);
        dialog->show();
        host.AdoptUpgradeDialog(std::move(dialog));
        return *host.Dialog();
    }

    test::TempDir program_;
    test::TempDir data_;
    std::string installer_ = data_.file("Installer");
    UpgradeOffer offer_;
};

TEST_F(DlgUpgradingTest, SitsBottomRightWithTitleMessageAndDefaultInstall) {
    HostWindow host;
    CDlgUpgrading& dialog = Show(host);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(dialog.pos(), QPoint(screen.width() - dialog.width() - 100,
                                   screen.height() - dialog.height() - 100));
    EXPECT_EQ(dialog.windowTitle(), "Zeph Vidra Player 2.0.17 beta");
    EXPECT_EQ(dialog.MessageLabel()->text(), "ZVP new revision availabled!\n\nzvp_2.0.18.run");
    EXPECT_TRUE(dialog.InstallButton()->isDefault());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(dialog.parentWidget(), nullptr);

    UrlRecorder recorder;
    dialog.WhatsNewButton()->click();
    ASSERT_EQ(recorder.urls.size(), 1u);
    EXPECT_EQ(recorder.urls[0], "https://127.0.0.1:9/vidra-player/whatsnew.htm?v=2.0.17%20beta");
}

TEST_F(DlgUpgradingTest, InstallStartsTheCopyWithTheInstallerAndClosesThePlayer) {
    HostWindow host;
    CDlgUpgrading& dialog = Show(host);
    dialog.InstallButton()->click();
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_FALSE(dialog.isVisible());
    const std::string copy = installer_ + "/Hopover";
    struct stat info {};
    ASSERT_EQ(::stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    const std::string record = installer_ + "/record";
    ASSERT_TRUE(test::WaitForFolderChanges(installer_, [&] { return fs::exists(record); }));
    std::ifstream in(record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"1", copy, offer_.installerPath}));
}

TEST_F(DlgUpgradingTest, AFailedCopyOrAClosedDialogKeepsThePlayer) {
    HostWindow host;
    offer_.installerFolder = data_.file("missing/");
    CDlgUpgrading& failing = Show(host);
    failing.InstallButton()->click();
    EXPECT_EQ(host.closeRequests, 0);
    EXPECT_TRUE(host.isVisible());

    offer_.installerFolder = installer_ + "/";
    CDlgUpgrading& dismissed = Show(host);
    dismissed.close();
    EXPECT_EQ(host.closeRequests, 0);
    EXPECT_TRUE(host.isVisible());
    EXPECT_FALSE(fs::exists(installer_ + "/Hopover"));
}

TEST_F(DlgUpgradingTest, ClosingThePlayerClosesTheDialogAndTheApplicationEnds) {
    HostWindow host;
    CDlgUpgrading& dialog = Show(host);
    ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
    bool timedOut = false;
    QObject guard;
    QTimer::singleShot(0, &host, [&] { host.close(); });
    QTimer::singleShot(20000, &guard, [&] {
        timedOut = true;
        QApplication::exit(1);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace zvp

#include "CDlgUpgrading_unittest.moc"
