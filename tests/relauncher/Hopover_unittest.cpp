// The relauncher as a program: copied into a temporary Installer folder, as the player does,
// with marker scripts as installers and a stand-in player holding the instance socket.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/FileWatch.h"
#include "support/TestUtil.h"

extern char** environ;

namespace zvp {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Runs `argv` with `env` added; returns the pid (or -1). stdout goes to `outFd` when >= 0.
pid_t Spawn(std::vector<std::string> argv, const std::vector<std::string>& env = {},
            int outFd = -1) {
    std::vector<std::string> environment = env;
    for (char** e = environ; *e; ++e) environment.emplace_back(*e);
    std::vector<char*> args, envs;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    for (std::string& e : environment) envs.push_back(e.data());
    envs.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    pid_t pid = -1;
    if (::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envs.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The stand-in player; killed by the destructor when still running.
class FakePlayer {
  public:
    explicit FakePlayer(const std::string& log) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = Spawn({ZVP_FAKE_PLAYER, log}, {}, out[1]);
        ::close(out[1]);
        char line[8] = {};
        pollfd p{out[0], POLLIN, 0};
        ready_ = pid_ > 0 && ::poll(&p, 1, 20000) > 0 && ::read(out[0], line, 6) == 6 &&
                 std::string(line, 5) == "ready";
        ::close(out[0]);
    }
    ~FakePlayer() { Kill(); }
    bool Ready() const { return ready_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

class HopoverTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        fs::copy_file(ZVP_HOPOVER, hopover_);
        ::chmod(hopover_.c_str(), 0700);
    }

    // A script installer in `folder` that leaves "<folder>/marker" when it runs and then, with
    // `hold`, waits until a line arrives on "<folder>/release" (a FIFO).
    std::string MakeInstaller(const std::string& folder, const std::string& name,
                              bool hold = false) {
        const std::string path = folder + "/" + name;
        std::ofstream(path) << "#!/bin/sh\necho ran > \"" << folder << "/marker\"\n"
                            << (hold ? "read line < \"" + folder + "/release\"\n" : "");
        ::chmod(path.c_str(), 0700);
        if (hold) ::mkfifo((folder + "/release").c_str(), 0600);
        return path;
    }

    std::vector<std::string> Env() const {
        return {std::string("HOPOVER_POLL=") + (GetParam() ? "1" : "0")};
    }
    bool MarkerWithin(std::chrono::milliseconds timeout) {
        return test::WaitForFolderChanges(
            dir_.path().string(), [&] { return fs::exists(dir_.file("marker")); }, timeout);
    }

    test::TempDir dir_;
    std::string hopover_ = dir_.file("Hopover");
};

TEST_P(HopoverTest, ArgumentsAndRefusalsRunNothing) {
    const std::string good = MakeInstaller(dir_.path().string(), "zvp_2.0.18.run");
    EXPECT_EQ(ExitCode(Spawn({hopover_}, Env())), 0);
    EXPECT_EQ(ExitCode(Spawn({hopover_, good, good}, Env())), 0);
    EXPECT_EQ(ExitCode(Spawn({hopover_, dir_.file("zvp_9.9.9.run")}, Env())), 1);

    test::TempDir elsewhere;
    const std::string outside = MakeInstaller(elsewhere.path().string(), "zvp_2.0.18.run");
    fs::create_symlink(outside, dir_.file("zvp_2.0.19.run"));
    fs::create_directory(dir_.file("zvp_2.0.20.run"));
    const std::string badName = MakeInstaller(dir_.path().string(), "install.sh");
    for (const std::string& path :
         {outside, dir_.file("zvp_2.0.19.run"), dir_.file("zvp_2.0.20.run"), badName,
          dir_.file("sub/../zvp_2.0.18.run")}) {
        EXPECT_EQ(ExitCode(Spawn({hopover_, path}, Env())), 1) << path;
    }
    EXPECT_FALSE(fs::exists(dir_.file("marker")));
    EXPECT_FALSE(fs::exists(elsewhere.file("marker")));

    // A non-executable installer goes to xdg-open; when that cannot start either: 1.
    const std::string package = MakeInstaller(dir_.path().string(), "zvp_2.0.18.deb");
    ::chmod(package.c_str(), 0600);
    std::vector<std::string> env = Env();
    env.push_back("PATH=" + dir_.file("no-such-folder"));
    EXPECT_EQ(ExitCode(Spawn({hopover_, package}, env)), 1);
}

TEST_P(HopoverTest, WaitsForThePlayerThenRunsTheInstaller) {
    const std::string installer = MakeInstaller(dir_.path().string(), "zvp_2.0.18.run");
    const std::string peers = dir_.file("peers.log");
    FakePlayer player(peers);
    ASSERT_TRUE(player.Ready());
    const pid_t hopover = Spawn({hopover_, installer}, Env());
    ASSERT_GT(hopover, 0);
    // Once the relauncher has probed the player, nothing runs while the player lives.
    EXPECT_TRUE(test::WaitForFolderChanges(dir_.path().string(),
                                           [&] { return test::FileSize(peers) > 0; }));
    EXPECT_FALSE(MarkerWithin(std::chrono::seconds(1)));
    const auto killed = Clock::now();
    player.Kill();
    EXPECT_TRUE(MarkerWithin(std::chrono::seconds(20)));
    EXPECT_LT(Clock::now() - killed, std::chrono::seconds(1));
    EXPECT_EQ(ExitCode(hopover), 0);
    // The player saw probes only: connections that sent nothing.
    std::ifstream in(peers);
    int count = 0;
    for (std::string line; std::getline(in, line); ++count) EXPECT_EQ(line, "0");
    EXPECT_GE(count, 1);
}

TEST_P(HopoverTest, WithoutAPlayerRunsAtOnceAndEndsAfterTheInstaller) {
    const std::string installer = MakeInstaller(dir_.path().string(), "zvp_2.0.18.run", true);
    const pid_t hopover = Spawn({hopover_, installer}, Env());
    ASSERT_GT(hopover, 0);
    ASSERT_TRUE(MarkerWithin(std::chrono::seconds(20)));
    int status = 0;
    EXPECT_EQ(::waitpid(hopover, &status, WNOHANG), 0);  // still waiting for the installer
    std::ofstream(dir_.file("release")) << "go\n";
    EXPECT_EQ(ExitCode(hopover), 0);
}

INSTANTIATE_TEST_SUITE_P(Wait, HopoverTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ProbeLoop" : "Pidfd"; });

}  // namespace
}  // namespace zvp
