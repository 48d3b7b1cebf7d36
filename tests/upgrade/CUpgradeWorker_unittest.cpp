// The real upgrade worker against the local test server, with a fake host, a temporary
// XDG_DATA_HOME and a fake relauncher in a temporary program folder.
#include "upgrade/CUpgradeWorker.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/CAppFolder.h"
#include "app/WholeFile.h"
#include "support/ScopedXdgHome.h"
#include "upgrade/CDlgUpgrading.h"
#include "upgrade/CleanInstallerFolder.h"
#include "upgrade/UpgradeTestServer.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;
using test::UpgradeTestServer;
using Clock = std::chrono::steady_clock;

constexpr const char* kInstaller = "#!/bin/sh\necho installing\n";

// Records what the worker hands to the main window; queued calls are kept, not run.
class FakeHost : public IUpgradeHost {
  public:
    explicit FakeHost(std::string version) : version_(std::move(version)) {}
    std::string GetRunningVersionText() const override { return version_; }
    void PostToUiThread(std::function<void()> call) override { posted.push_back(std::move(call)); }
    void AdoptUpgradeDialog(std::unique_ptr<CDlgUpgrading>) override {}
    void CloseMainWindow() override {}

    std::vector<std::function<void()>> posted;

  private:
    std::string version_;
};

// Every path below `root` (links not followed), relative to it.
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> paths;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        paths.insert(it->path().lexically_relative(root).string());
    }
    return paths;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

class UpgradeWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        relauncher_ = program_.file("Hopover");
        std::ofstream(relauncher_) << "#!/bin/sh\n";
        ::chmod(relauncher_.c_str(), 0755);
        installer_ = CAppFolder::GetInstaller();
    }

    // The routes, below `prefix`, of a check answering `offer` and a download serving
    // kInstaller (without braces, so tables can join several).
    static std::string Routes(const std::string& offer, const std::string& prefix = {}) {
        return Json(prefix + "/upgrade/retrieve_latest_zvp") + R"(: {"body": )" + Json(offer) +
               "}, " + Json(prefix + "/upgrade/retrieve_latest_zvp_beta") + R"(: {"body": )" +
               Json(offer) + "}, " + Json(prefix + "/download/zvp_2.0.18.run") + R"(: {"body": )" +
               Json(kInstaller) + "}, " + Json(prefix + "/download/beta/zvp_2.0.18.run") +
               R"(: {"body": )" + Json(kInstaller) + "}";
    }

    // The worker's addresses: `server` below `prefix`.
    UpgradeConfig Config(const UpgradeTestServer& server, const std::string& prefix = {}) const {
        UpgradeConfig config;
        config.serverUrl = server.Base() + prefix + "/";
        config.webUrl = server.Base() + prefix;
        config.caFile = UpgradeTestServer::CaFile();
        config.programFolder = program_.path().string() + "/";
        return config;
    }

    CUpgradeWorker::Outcome Run(FakeHost& host, UpgradeConfig config) {
        CUpgradeWorker worker;
        EXPECT_TRUE(worker.Start(&host, std::move(config)));
        EXPECT_TRUE(worker.WaitForOutcome(std::chrono::seconds(60)));
        worker.Stop();
        return worker.GetOutcome();
    }

    // The download requests `server` received below `prefix`.
    size_t Downloads(const UpgradeTestServer& server, const std::string& prefix = {}) const {
        size_t n = 0;
        for (const std::string& path : server.Requests()) {
            n += path.rfind(prefix + "/download", 0) == 0;
        }
        return n;
    }

    test::ScopedXdgHome xdg_;
    test::TempDir program_;
    std::string relauncher_;
    std::string installer_;
};

TEST_F(UpgradeWorkerTest, ANewerVersionIsDownloadedExecutableAndOffered) {
    UpgradeTestServer server("{" + Routes("zvp_2.0.18.run\n") + "}");
    ASSERT_TRUE(server.Ok());
    std::ofstream(installer_ + "old_1.0.0.run") << "stale";
    FakeHost host("2.0.17");
    EXPECT_EQ(Run(host, Config(server)), CUpgradeWorker::Outcome::kOffered);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(installer_ + "zvp_2.0.18.run", 1 << 20, bytes));
    EXPECT_EQ(bytes, kInstaller);
    struct stat info {};
    ASSERT_EQ(::stat((installer_ + "zvp_2.0.18.run").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(Tree(installer_), std::set<std::string>{"zvp_2.0.18.run"});
    EXPECT_EQ(host.posted.size(), 1u);
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/upgrade/retrieve_latest_zvp",
                                                           "/download/zvp_2.0.18.run"}));
}

TEST_F(UpgradeWorkerTest, TheBetaChannelAsksForBetaResourceAndFolder) {
    UpgradeTestServer server("{" + Routes("zvp_2.0.18.run") + "}");
    ASSERT_TRUE(server.Ok());
    FakeHost host("2.0.17 beta");
    EXPECT_EQ(Run(host, Config(server)), CUpgradeWorker::Outcome::kOffered);
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/upgrade/retrieve_latest_zvp_beta",
                                                           "/download/beta/zvp_2.0.18.run"}));
}

TEST_F(UpgradeWorkerTest, NothingIsDownloadedWithoutANewerOfferAndARelauncher) {
    using O = CUpgradeWorker::Outcome;
    struct Case {
        const char* version;
        std::string offer;  // empty: the check answers `status`
        int status;
        bool relauncher;
        O outcome;
    };
    const Case cases[] = {
        {"2.0.18", "zvp_2.0.18.run", 200, true, O::kNotNewer},
        {"2.1.0", "zvp_1.9.5.run", 200, true, O::kNotNewer},
        {"", "zvp_2.0.18.run", 200, true, O::kNotNewer},
        {"2.0", "zvp_2.0.18.run", 200, true, O::kNotNewer},
        {"a.b.c", "zvp_2.0.18.run", 200, true, O::kNotNewer},
        {"2.0.x beta", "zvp_2.0.18.run", 200, true, O::kNotNewer},
        {"2.0.17", "", 404, true, O::kCheckFailed},
        {"2.0.17", "", 500, true, O::kCheckFailed},
        {"2.0.17", "zvp_2.0.18.run", 200, false, O::kNoRelauncher},
    };
    std::string routes;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string prefix = "/" + std::to_string(i);
        routes += (i ? ", " : "") + (cases[i].offer.empty()
                                         ? Json(prefix + "/upgrade/retrieve_latest_zvp") +
                                               ": {\"status\": " + std::to_string(cases[i].status) +
                                               ", \"body\": \"zvp_2.0.18.run\"}"
                                         : Routes(cases[i].offer, prefix));
    }
    UpgradeTestServer server("{" + routes + "}");
    ASSERT_TRUE(server.Ok());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const std::string prefix = "/" + std::to_string(i);
        SCOPED_TRACE(std::string("version \"") + c.version + "\", offer " + c.offer);
        ::chmod(relauncher_.c_str(), c.relauncher ? 0755 : 0644);
        FakeHost host(c.version);
        EXPECT_EQ(Run(host, Config(server, prefix)), c.outcome);
        const std::string check = prefix + "/upgrade/retrieve_latest_zvp";
        EXPECT_EQ(server.CountRequests(check) + server.CountRequests(check + "_beta"), 1u);
        EXPECT_EQ(Downloads(server, prefix), 0u);
        EXPECT_TRUE(host.posted.empty());
    }
    EXPECT_EQ(server.Requests().size(), std::size(cases));
}

TEST_F(UpgradeWorkerTest, FailedDownloadsLeaveNothingBehind) {
    UpgradeTestServer plain(R"({"/download/zvp_2.0.18.run": {"body": "x"}})",
                            UpgradeTestServer::Cert::kPlainHttp);
    ASSERT_TRUE(plain.Ok());
    const std::string big = R"("body": "#", "repeat": 5000)";
    struct Case {
        const char* what;
        std::string download;  // the download route's fields
        bool plainWeb = false;
    };
    const Case cases[] = {
        {"404", R"("status": 404, "body": "missing")"},
        {"truncated", R"("body": "#!/bin/sh\necho installing\n", "truncate_after": 5)"},
        {"over the cap", big},
        {"over the cap, unannounced", big + R"(, "no_length": true)"},
        {"stalled", R"("body": "#!/bin/sh\necho installing\n", "stall_after": 4, "stall": 10)"},
        {"redirect to http", R"("redirect": ")" + plain.Url("/download/zvp_2.0.18.run") + "\""},
        {"plain http web address", "\"body\": \"x\"", true},
    };
    std::string routes;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string prefix = "/" + std::to_string(i);
        routes += (i ? ", " : "") + Json(prefix + "/upgrade/retrieve_latest_zvp") +
                  R"(: {"body": "zvp_2.0.18.run"}, )" + Json(prefix + "/download/zvp_2.0.18.run") +
                  ": {" + cases[i].download + "}";
    }
    UpgradeTestServer server("{" + routes + "}");
    ASSERT_TRUE(server.Ok());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        UpgradeConfig config = Config(server, "/" + std::to_string(i));
        config.downloadMaxBytes = 1000;
        config.downloadStallMs = 1000;
        if (c.plainWeb) config.webUrl = plain.Base();
        FakeHost host("2.0.17");
        EXPECT_EQ(Run(host, config), CUpgradeWorker::Outcome::kDownloadFailed);
        EXPECT_EQ(Tree(installer_), std::set<std::string>{});
        EXPECT_TRUE(host.posted.empty());
    }
    EXPECT_TRUE(plain.Requests().empty());

    // Only the in-process test switch lets an installer come over plain http.
    UpgradeConfig config = Config(server, "/0");
    config.webUrl = plain.Base();
    config.allowPlainHttpForTest = true;
    FakeHost host("2.0.17");
    EXPECT_EQ(Run(host, config), CUpgradeWorker::Outcome::kOffered);
    EXPECT_EQ(plain.Requests(), std::vector<std::string>{"/download/zvp_2.0.18.run"});
}

TEST_F(UpgradeWorkerTest, HostileNamesAreRefusedAndWriteNothing) {
    const std::string hostile[] = {"../x_1.2.3.run",
                                   "/etc/x_1.2.3.run",
                                   "a/b_1.2.3.run",
                                   ".x_1.2.3.run",
                                   "-x_1.2.3.run",
                                   "x_1.2.3.exe",
                                   "x_1.2.run",
                                   std::string(296, 'a') + "_1.2.3.run",
                                   std::string("x\0_1.2.3.run", 12),
                                   "x\n_1.2.3.run",
                                   "x%2F_1.2.3.run",
                                   "\xc3\xa9_1.2.3.run",
                                   "x_1.2.3.run/",
                                   "x_1..2.3.run",
                                   "x_1.2.3.4.run",
                                   "x_1234567890.2.3.run",
                                   ""};
    std::string routes;
    for (size_t i = 0; i < std::size(hostile); ++i) {
        routes += (i ? ", " : "") + Json("/" + std::to_string(i) + "/upgrade/retrieve_latest_zvp") +
                  R"(: {"body_hex": ")" + UpgradeTestServer::Hex(hostile[i]) + "\"}";
    }
    UpgradeTestServer server("{" + routes + "}");
    ASSERT_TRUE(server.Ok());
    const fs::path data = xdg_.DataHome();
    const std::set<std::string> before = Tree(data);
    for (size_t i = 0; i < std::size(hostile); ++i) {
        SCOPED_TRACE(hostile[i]);
        FakeHost host("2.0.17");
        EXPECT_EQ(Run(host, Config(server, "/" + std::to_string(i))),
                  CUpgradeWorker::Outcome::kRefusedName);
        EXPECT_EQ(Tree(data), before);
    }
    EXPECT_EQ(Downloads(server), 0u);
    EXPECT_EQ(server.Requests().size(), std::size(hostile));
}

TEST_F(UpgradeWorkerTest, StopEndsAStalledCheckAtOnceAndNoServerEndsAtOnce) {
    UpgradeTestServer server(R"({"/upgrade/retrieve_latest_zvp": {"delay": 30, "body": "x"}})");
    ASSERT_TRUE(server.Ok());
    FakeHost host("2.0.17");
    CUpgradeWorker worker;
    ASSERT_TRUE(worker.Start(&host, Config(server)));
    ASSERT_TRUE(server.WaitForRequest("/upgrade/retrieve_latest_zvp"));
    const auto start = Clock::now();
    worker.Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(worker.GetOutcome(), CUpgradeWorker::Outcome::kStopped);
    EXPECT_FALSE(worker.Start(&host, Config(server)));

    UpgradeConfig none = Config(server);
    none.serverUrl.clear();
    EXPECT_EQ(Run(host, none), CUpgradeWorker::Outcome::kNoServer);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(CleanInstallerFolderTest, RemovesInstallersButNeverThroughALink) {
    test::TempDir outside;
    std::ofstream(outside.file("kept.run")) << "x";
    test::TempDir root;
    const fs::path dir = root.path();
    fs::create_directories(dir / "sub" / "deeper");
    for (const char* name : {"a.run", "b.AppImage", "c.deb", "d.run.part", "Hopover", "keep.txt",
                             "Hopover.txt", "sub/e.run", "sub/deeper/f.part", "sub/keep.debx"}) {
        std::ofstream(dir / name) << "x";
    }
    fs::create_directory_symlink(outside.path(), dir / "linked");
    fs::create_symlink(outside.path() / "kept.run", dir / "link.run");
    fs::create_directory(dir / "folder.run");
    EXPECT_EQ(CleanInstallerFolder(dir.string() + "/"), 7);
    EXPECT_EQ(Tree(dir), (std::set<std::string>{"Hopover.txt", "folder.run", "keep.txt", "link.run",
                                                "linked", "sub", "sub/deeper", "sub/keep.debx"}));
    EXPECT_TRUE(fs::exists(outside.path() / "kept.run"));
}

}  // namespace
}  // namespace zvp
