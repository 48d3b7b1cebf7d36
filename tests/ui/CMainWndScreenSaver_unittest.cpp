// The main window's hold on the screen saver, with the real control centre and engine. The
// bus cases run on a private session bus (dbus-run-session) with a fake
// org.freedesktop.ScreenSaver; the no-bus case runs again without one (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/ScopedLogCapture.h"
#include "playlist/CControlCenter.h"
#include "support/ScopedXdgHome.h"
#include "support/TestUtil.h"
#include "ui/CMainWnd.h"

namespace zvp {
namespace {

using test::MediaPath;
using test::PumpUntil;
using namespace std::chrono_literals;

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
  public:
    std::vector<QString> reasons;
    std::vector<uint> uninhibits;
  public slots:
    uint Inhibit(const QString&, const QString& reason) {
        reasons.push_back(reason);
        return static_cast<uint>(reasons.size());
    }
    void UnInhibit(uint cookie) { uninhibits.push_back(cookie); }
};

class MainWndScreenSaverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        center_ = std::make_unique<CControlCenter>();
        window_ = std::make_unique<CMainWnd>(*center_);
        ASSERT_TRUE(window_->CreateMainWindow());
    }
    void TearDown() override {
        QWidget& engine = center_->GetController().GetEngine();
        engine.hide();
        engine.setParent(nullptr);
        window_.reset();
        center_.reset();
        QDBusConnection::disconnectFromBus("zvp-fake-screensaver");
    }

    // The fake service on a connection of its own, as the desktop's would be.
    bool Publish() {
        if (!QDBusConnection::sessionBus().isConnected()) return false;
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "zvp-fake-screensaver");
        return bus.registerObject("/org/freedesktop/ScreenSaver", &saver_,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService("org.freedesktop.ScreenSaver");
    }
    bool Plays(const std::string& path) {
        center_->OpenFiles({path}, false);
        return PumpUntil([&] { return center_->GetController().GetStateName() == "Playing"; });
    }
    bool Paused() {
        center_->Play();
        return PumpUntil([&] { return center_->GetController().GetStateName() == "Paused"; });
    }

    test::ScopedXdgHome home_;
    FakeScreenSaver saver_;
    std::unique_ptr<CControlCenter> center_;
    std::unique_ptr<CMainWnd> window_;
};

TEST_F(MainWndScreenSaverTest, HeldWhilePlayingOrPausedAndReleasedOnStopAndClose) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) GTEST_SKIP() << "needs a bus";
    ASSERT_TRUE(Publish());
    ASSERT_TRUE(Plays(MediaPath("h264_aac.mp4")));
    ASSERT_TRUE(PumpUntil([&] { return saver_.reasons.size() == 1; }, 5s));
    ASSERT_TRUE(Paused());
    center_->Play();
    ASSERT_TRUE(PumpUntil([&] { return center_->GetController().GetStateName() == "Playing"; }));
    center_->Stop();
    ASSERT_TRUE(PumpUntil([&] { return saver_.uninhibits.size() == 1; }, 5s));
    // Pause and resume kept the one inhibition.
    EXPECT_EQ(saver_.reasons.size(), 1u);
    EXPECT_EQ(saver_.uninhibits[0], 1u);

    center_->Play();
    ASSERT_TRUE(PumpUntil([&] { return saver_.reasons.size() == 2; }, 5s));
    window_->CloseSequence();
    ASSERT_TRUE(PumpUntil([&] { return saver_.uninhibits.size() == 2; }, 5s));
    EXPECT_EQ(saver_.uninhibits[1], 2u);
}

TEST_F(MainWndScreenSaverTest, AudioAloneNeverHoldsIt) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) GTEST_SKIP() << "needs a bus";
    ASSERT_TRUE(Publish());
    ASSERT_TRUE(Plays(MediaPath("tone.mp3")));
    ASSERT_TRUE(Paused());
    center_->Play();
    // Calls arrive in order: when the video's inhibition is the first seen, the tone made none.
    ASSERT_TRUE(Plays(MediaPath("video_only.mp4")));
    ASSERT_TRUE(PumpUntil([&] { return !saver_.reasons.empty(); }, 5s));
    EXPECT_EQ(saver_.reasons.size(), 1u);
    EXPECT_TRUE(saver_.uninhibits.empty());
}

TEST_F(MainWndScreenSaverTest, NoBusLogsOneLine) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) GTEST_SKIP() << "runs without a bus";
    test::ScopedLogCapture log;
    ASSERT_TRUE(Plays(MediaPath("h264_aac.mp4")));
    ASSERT_TRUE(Paused());
    center_->Stop();
    center_->Play();
    ASSERT_TRUE(PumpUntil([&] { return center_->GetController().GetStateName() == "Playing"; }));
    window_->CloseSequence();
    EXPECT_EQ(log.CountLines("CScreenSaverInhibitor"), 1);
}

}  // namespace
}  // namespace zvp

#include "CMainWndScreenSaver_unittest.moc"
