// Runs without a session bus: the launcher removes DBUS_SESSION_BUS_ADDRESS (CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/CScreenSaverInhibitor.h"
#include "app/ScopedLogCapture.h"

namespace zvp {
namespace {

TEST(CScreenSaverInhibitorNoBusTest, LogsOneInfoLineThenDoesNothing) {
    ASSERT_EQ(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr);
    test::ScopedLogCapture log;
    CScreenSaverInhibitor inhibitor;
    inhibitor.Inhibit("Playing video");
    EXPECT_TRUE(inhibitor.IsUnavailable());
    inhibitor.UnInhibit();
    inhibitor.Inhibit("Playing video");
    inhibitor.UnInhibit();
    EXPECT_FALSE(inhibitor.IsHeld());
    EXPECT_EQ(log.CountLines("info: CScreenSaverInhibitor::Inhibit: No D-Bus session bus"), 1);
    EXPECT_EQ(log.CountLines("CScreenSaverInhibitor"), 1);
}

}  // namespace
}  // namespace zvp
