// The main window's part in the upgrade check: timer 2 fires once and starts the check with the
// settings' addresses, and the close sequence stops a check that hangs, at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <filesystem>

#include "app/CAppIni.h"
#include "app/TimerService.h"
#include "playlist/CControlCenter.h"
#include "support/ScopedXdgHome.h"
#include "support/TestUtil.h"
#include "ui/CMainWnd.h"
#include "upgrade/UpgradeEndpoints.h"
#include "upgrade/UpgradeTestServer.h"

namespace zvp {
namespace {

using test::UpgradeTestServer;

TEST(MainWndUpgradeTest, TimerTwoStartsTheCheckOnceAndClosingStopsIt) {
    test::ScopedXdgHome home;
    UpgradeTestServer server(R"({"/upgrade/retrieve_latest_zvp": {"delay": 30, "body": "x"}})");
    ASSERT_TRUE(server.Ok());
    CAppIni& ini = CAppIni::Instance();
    ini.Reload();
    ini.SetString(kUpgradeServerUrlKey, server.Base());
    ini.SetString(kUpgradeWebUrlKey, server.Base());
    ini.SetString(kUpgradeCaFileKey, UpgradeTestServer::CaFile());
    ASSERT_TRUE(ini.Save());

    CControlCenter center;
    auto window = std::make_unique<CMainWnd>(center);
    ASSERT_TRUE(window->CreateMainWindow());
    EXPECT_TRUE(TimerService::Instance().IsRunning(CMainWnd::kUpgradeTimer));
    ASSERT_TRUE(
        test::PumpUntil([&] { return server.CountRequests("/upgrade/retrieve_latest_zvp") == 1; },
                        std::chrono::seconds(30)));
    EXPECT_FALSE(TimerService::Instance().IsRunning(CMainWnd::kUpgradeTimer));

    const auto start = std::chrono::steady_clock::now();
    window->CloseSequence();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(server.Requests().size(), 1u);

    ini.SetString(kUpgradeServerUrlKey, "");
    ini.SetString(kUpgradeWebUrlKey, "");
    ini.SetString(kUpgradeCaFileKey, "");
    QWidget& engine = center.GetController().GetEngine();
    engine.hide();
    engine.setParent(nullptr);
    window.reset();
}

}  // namespace
}  // namespace zvp
