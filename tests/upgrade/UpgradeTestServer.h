#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/FileWatch.h"
#include "support/TestUtil.h"

extern char** environ;

namespace zvp::test {

// tests/upgrade/test_server.py run as a child process on 127.0.0.1: over https with one of the
// per-run certificates, or over plain http. The tests never reach any other host.
class UpgradeTestServer {
  public:
    enum class Cert { kPlainHttp, kTrusted, kUntrusted, kWrongHost };

    // Serves the routes of `routesJson` (the value of the scenario's "routes").
    explicit UpgradeTestServer(const std::string& routesJson, Cert cert = Cert::kTrusted)
        : https_(cert != Cert::kPlainHttp) {
        ClearProxyVariables();
        const std::string scenario = dir_.file("scenario.json");
        std::ofstream(scenario) << "{\"routes\": " << routesJson << "}";
        std::vector<std::string> args = {"python3", Script(), "serve", scenario, LogPath()};
        if (https_) {
            const char* name = cert == Cert::kTrusted     ? "trusted"
                               : cert == Cert::kUntrusted ? "untrusted"
                                                          : "wrong-host";
            args.push_back(CertFolder() + "/" + name + ".pem");
            args.push_back(CertFolder() + "/" + name + ".key");
        }
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The first line is the port; the server prints it once it listens.
        std::string line;
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (pid_ > 0 && ::poll(&p, 1, 30000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') {
            line += c;
        }
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~UpgradeTestServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    UpgradeTestServer(const UpgradeTestServer&) = delete;
    UpgradeTestServer& operator=(const UpgradeTestServer&) = delete;

    bool Ok() const { return port_ > 0; }
    int Port() const { return port_; }
    std::string Base() const {
        return std::string(https_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
    }
    std::string Url(const std::string& path) const { return Base() + path; }

    // The request paths received so far, in order.
    std::vector<std::string> Requests() const {
        std::vector<std::string> paths;
        std::ifstream in(LogPath());
        for (std::string line; std::getline(in, line);) paths.push_back(line);
        return paths;
    }
    size_t CountRequests(const std::string& path) const {
        size_t n = 0;
        for (const std::string& r : Requests()) n += r == path;
        return n;
    }
    // Waits until `path` has been requested at least `count` times.
    bool WaitForRequest(const std::string& path, size_t count = 1) const {
        return WaitForFileWrites(
            LogPath(), [&] { return CountRequests(path) >= count; }, std::chrono::seconds(30));
    }

    static std::string CaFile() { return CertFolder() + "/ca.pem"; }

    // The test may only reach 127.0.0.1: no proxy from the environment.
    static void ClearProxyVariables() {
        for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY",
                                 "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            ::unsetenv(name);
        }
    }

    // Latin-1 text for a route's "body" cannot hold every byte: "body_hex" can.
    static std::string Hex(const std::string& bytes) {
        static const char* digits = "0123456789abcdef";
        std::string out;
        for (unsigned char b : bytes) {
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        return out;
    }

  private:
    static std::string Script() { return ZVP_TEST_SERVER_PY; }
    // The certificates, made once per test program run.
    static const std::string& CertFolder() {
        static TempDir dir;
        static const std::string folder = [] {
            const std::string path = dir.file("certs");
            const std::string command = "python3 '" + Script() + "' certs '" + path + "'";
            if (std::system(command.c_str()) != 0) return std::string();
            return path;
        }();
        return folder;
    }
    std::string LogPath() const { return dir_.file("requests.log"); }

    TempDir dir_;
    bool https_ = true;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace zvp::test
