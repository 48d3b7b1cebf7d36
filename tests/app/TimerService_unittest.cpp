#include "app/TimerService.h"

#include <gtest/gtest.h>

#include <QThread>

#include "support/TestUtil.h"

namespace zvp {
namespace {

class Client : public ITimerClient {
  public:
    void OnTimer(uint32_t id) override {
        ++ticks;
        lastId = id;
        onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        if (stopAfter && ticks >= stopAfter) TimerService::Instance().StopTimer(id);
    }
    int ticks = 0;
    uint32_t lastId = 0;
    bool onUiThread = false;
    int stopAfter = 0;
};

TEST(TimerServiceTest, TickReachesItsClientOnTheUiThread) {
    Client client;
    TimerService::Instance().StartTimer(10, 5, &client);
    EXPECT_TRUE(test::PumpUntil([&] { return client.ticks >= 3; }));
    EXPECT_EQ(client.lastId, 10u);
    EXPECT_TRUE(client.onUiThread);
    EXPECT_EQ(TimerService::Instance().StopTimer(10), 0);
    EXPECT_FALSE(TimerService::Instance().IsRunning(10));
}

TEST(TimerServiceTest, RestartReplacesTheClient) {
    Client first, second;
    TimerService::Instance().StartTimer(0, 5, &first);
    TimerService::Instance().StartTimer(0, 5, &second);
    EXPECT_TRUE(test::PumpUntil([&] { return second.ticks >= 2; }));
    EXPECT_EQ(first.ticks, 0);
    EXPECT_EQ(TimerService::Instance().StopTimer(0), 0);
}

TEST(TimerServiceTest, StopOfUnknownIdReturnsMinusOne) {
    EXPECT_EQ(TimerService::Instance().StopTimer(12345), -1);
    Client client;
    TimerService::Instance().StartTimer(7, 1000, &client);
    EXPECT_EQ(TimerService::Instance().StopTimer(7), 0);
    EXPECT_EQ(TimerService::Instance().StopTimer(7), -1);
}

TEST(TimerServiceTest, ClientMayStopItsOwnTimerFromTheTick) {
    Client client;
    client.stopAfter = 1;
    TimerService::Instance().StartTimer(3, 1, &client);
    EXPECT_TRUE(test::PumpUntil([&] { return !TimerService::Instance().IsRunning(3); }));
    // No more ticks arrive once stopped.
    QCoreApplication::processEvents();
    EXPECT_EQ(client.ticks, 1);
}

}  // namespace
}  // namespace zvp
