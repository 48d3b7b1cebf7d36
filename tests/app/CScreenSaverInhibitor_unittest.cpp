// Runs on a private session bus (dbus-run-session, see CMakeLists.txt); the services the
// inhibitor talks to are fakes registered on it by the tests.
#include "app/CScreenSaverInhibitor.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <memory>
#include <vector>

#include "app/ScopedLogCapture.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using namespace std::chrono_literals;

// What a fake service received; its replies can be held back to be sent later.
class FakeServiceBase : public QObject {
  public:
    struct Call {
        QString app;
        QString reason;
        uint xid = 0;
        uint flags = 0;
    };
    std::vector<Call> inhibits;
    std::vector<uint> uninhibits;
    bool hold_replies = false;

    // Sends the held reply to the last Inhibit with `cookie`.
    void Release(uint cookie) {
        held_.back().second.send(held_.back().first.createReply(QVariant::fromValue(cookie)));
    }

  protected:
    // Records the call made in `context` and returns its cookie, or holds its reply back.
    uint RecordInhibit(const QDBusContext& context, Call call) {
        inhibits.push_back(std::move(call));
        if (hold_replies) {
            context.setDelayedReply(true);
            held_.emplace_back(context.message(), context.connection());
            return 0;
        }
        return next_cookie_++;
    }

  private:
    uint next_cookie_ = 41;
    std::vector<std::pair<QDBusMessage, QDBusConnection>> held_;
};

// QDBusContext must be a direct base of the class moc sees.
class FakeScreenSaver : public FakeServiceBase, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
  public slots:
    uint Inhibit(const QString& app, const QString& reason) {
        return RecordInhibit(*this, {app, reason});
    }
    void UnInhibit(uint cookie) { uninhibits.push_back(cookie); }
};

class FakeSessionManager : public FakeServiceBase, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
  public slots:
    uint Inhibit(const QString& app, uint xid, const QString& reason, uint flags) {
        return RecordInhibit(*this, {app, reason, xid, flags});
    }
    void Uninhibit(uint cookie) { uninhibits.push_back(cookie); }
};

class CScreenSaverInhibitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "needs a session bus";
    }
    void TearDown() override {
        for (const QString& name : connections_) QDBusConnection::disconnectFromBus(name);
    }

    // A connection of its own, as a separate program would have.
    QDBusConnection Connect() {
        const QString name = QString("zvp-test-%1").arg(connections_.size());
        connections_.push_back(name);
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    }

    // Publishes `service` as `name` at `path` on a connection of its own.
    void Publish(FakeServiceBase* service, const char* name, const char* path) {
        QDBusConnection bus = Connect();
        ASSERT_TRUE(bus.registerObject(path, service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(name));
    }

    std::vector<QString> connections_;
};

TEST_F(CScreenSaverInhibitorTest, InhibitsOnceAndGivesTheCookieBack) {
    FakeScreenSaver saver;
    Publish(&saver, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
    auto inhibitor = std::make_unique<CScreenSaverInhibitor>(Connect());

    inhibitor->UnInhibit();  // without an inhibition: nothing goes out
    inhibitor->Inhibit("Playing video");
    inhibitor->Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return inhibitor->IsHeld(); }, 5s));
    ASSERT_EQ(saver.inhibits.size(), 1u);
    EXPECT_EQ(saver.inhibits[0].app, "ZVP");
    EXPECT_EQ(saver.inhibits[0].reason, "Playing video");

    inhibitor->UnInhibit();
    EXPECT_FALSE(inhibitor->IsHeld());
    inhibitor->UnInhibit();
    // Calls arrive in order, so once the next Inhibit is seen no second UnInhibit was sent.
    inhibitor->Inhibit("Paused");
    ASSERT_TRUE(test::PumpUntil([&] { return inhibitor->IsHeld(); }, 5s));
    ASSERT_EQ(saver.uninhibits, std::vector<uint>{41});
    ASSERT_EQ(saver.inhibits.size(), 2u);

    // An inhibition still held is released by the destructor.
    inhibitor.reset();
    EXPECT_TRUE(test::PumpUntil([&] { return saver.uninhibits.size() == 2; }, 5s));
    EXPECT_EQ(saver.uninhibits.back(), 42u);
}

TEST_F(CScreenSaverInhibitorTest, UnInhibitBeforeTheReplyIsHonouredWhenItComes) {
    FakeScreenSaver saver;
    saver.hold_replies = true;
    Publish(&saver, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
    CScreenSaverInhibitor inhibitor(Connect());

    inhibitor.Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return saver.inhibits.size() == 1; }, 5s));
    inhibitor.UnInhibit();
    saver.Release(7);
    ASSERT_TRUE(test::PumpUntil([&] { return !saver.uninhibits.empty(); }, 5s));
    EXPECT_EQ(saver.uninhibits, std::vector<uint>{7});
    EXPECT_FALSE(inhibitor.IsHeld());

    // Off and on again before the reply: one inhibition, kept.
    inhibitor.Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return saver.inhibits.size() == 2; }, 5s));
    inhibitor.UnInhibit();
    inhibitor.Inhibit("Playing video");
    saver.Release(8);
    ASSERT_TRUE(test::PumpUntil([&] { return inhibitor.IsHeld(); }, 5s));
    EXPECT_EQ(saver.inhibits.size(), 2u);
    EXPECT_EQ(saver.uninhibits.size(), 1u);
}

TEST_F(CScreenSaverInhibitorTest, DestroyedWhileTheReplyIsPendingReleasesWhatItGrants) {
    FakeScreenSaver saver;
    saver.hold_replies = true;
    Publish(&saver, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
    auto inhibitor = std::make_unique<CScreenSaverInhibitor>(Connect());
    inhibitor->Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return saver.inhibits.size() == 1; }, 5s));
    inhibitor.reset();
    saver.Release(9);
    ASSERT_TRUE(test::PumpUntil([&] { return !saver.uninhibits.empty(); }, 5s));
    EXPECT_EQ(saver.uninhibits, std::vector<uint>{9});
}

TEST_F(CScreenSaverInhibitorTest, UsesTheShortObjectPathWhenOnlyThatExists) {
    FakeScreenSaver saver;
    Publish(&saver, "org.freedesktop.ScreenSaver", "/ScreenSaver");
    CScreenSaverInhibitor inhibitor(Connect());
    inhibitor.Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return inhibitor.IsHeld(); }, 5s));
    inhibitor.UnInhibit();
    ASSERT_TRUE(test::PumpUntil([&] { return !saver.uninhibits.empty(); }, 5s));
    EXPECT_EQ(saver.uninhibits, std::vector<uint>{41});
}

TEST_F(CScreenSaverInhibitorTest, FallsBackToTheSessionManager) {
    FakeSessionManager manager;
    Publish(&manager, "org.gnome.SessionManager", "/org/gnome/SessionManager");
    test::ScopedLogCapture log;
    CScreenSaverInhibitor inhibitor(Connect());

    inhibitor.Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return inhibitor.IsHeld(); }, 5s));
    ASSERT_EQ(manager.inhibits.size(), 1u);
    EXPECT_EQ(manager.inhibits[0].app, "ZVP");
    EXPECT_EQ(manager.inhibits[0].xid, 0u);
    EXPECT_EQ(manager.inhibits[0].reason, "Playing video");
    EXPECT_EQ(manager.inhibits[0].flags, 8u);
    inhibitor.UnInhibit();
    ASSERT_TRUE(test::PumpUntil([&] { return !manager.uninhibits.empty(); }, 5s));
    EXPECT_EQ(manager.uninhibits, std::vector<uint>{41});
    EXPECT_EQ(log.CountLines("CScreenSaverInhibitor"), 0);
}

TEST_F(CScreenSaverInhibitorTest, WithoutAServiceLogsOneInfoLineThenDoesNothing) {
    test::ScopedLogCapture log;
    CScreenSaverInhibitor inhibitor(Connect());
    inhibitor.Inhibit("Playing video");
    ASSERT_TRUE(test::PumpUntil([&] { return inhibitor.IsUnavailable(); }, 5s));
    inhibitor.UnInhibit();
    inhibitor.Inhibit("Playing video");
    EXPECT_FALSE(inhibitor.IsHeld());
    EXPECT_EQ(log.CountLines("info: CScreenSaverInhibitor"), 1);
}

}  // namespace
}  // namespace zvp

#include "CScreenSaverInhibitor_unittest.moc"
