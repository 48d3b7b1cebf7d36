#include "app/CInstanceChecker.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/InstanceSocket.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using namespace std::chrono_literals;

// A name no other test process uses, so ctest may run the cases side by side.
std::string UniqueName() {
    static int counter = 0;
    return "ZvpInstanceTest" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + "_";
}

// Whether the other end of the non-blocking socket `fd` has closed (end of file or reset).
bool PeerClosed(int fd) {
    char c;
    const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN);
}

// One instance_start_probe child (tests/app/InstanceStartProbe.cpp).
class Probe {
  public:
    explicit Probe(const std::string& name) {
        process_.start(ZVP_INSTANCE_PROBE, {QString::fromStdString(name)});
    }
    ~Probe() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool WaitForLine(const std::string& line) {
        return test::PumpUntil([&] { return HasLine(line); }, 10s);
    }
    bool HasLine(const std::string& line) {
        output_ += process_.readAllStandardOutput().toStdString();
        return output_.find(line + "\n") != std::string::npos;
    }
    void Go() { process_.write("go\n"); }
    QProcess& process() { return process_; }
    const std::string& output() const { return output_; }

  private:
    QProcess process_;
    std::string output_;
};

TEST(InstanceSocketTest, AddressIsTheAbstractNameWithItsExactLength) {
    const UnixSocketAddress address = InstanceSocketAddress(1000);
    const std::string name = "CInstanceChecker_MMF_ZVP1000";
    EXPECT_EQ(address.address.sun_family, AF_UNIX);
    EXPECT_EQ(address.address.sun_path[0], '\0');
    EXPECT_EQ(std::string(address.address.sun_path + 1, name.size()), name);
    EXPECT_EQ(address.length, offsetof(sockaddr_un, sun_path) + 1 + name.size());
    EXPECT_EQ(InstanceSocketListing(1000), "@" + name);

    const UnixSocketAddress tooLong = InstanceSocketAddress(0, std::string(110, 'x'));
    EXPECT_EQ(tooLong.length, 0u);
    EXPECT_FALSE(ListenOnInstanceSocket(tooLong));
    EXPECT_EQ(errno, ENAMETOOLONG);
}

TEST(CInstanceCheckerTest, OwnsTheNameUntilDestroyed) {
    const std::string name = UniqueName();
    const uid_t uid = ::getuid();
    EXPECT_FALSE(IsInstanceRunning(uid, name));
    {
        CInstanceChecker first;
        EXPECT_FALSE(first.FindRunningInstance(name));
        ASSERT_TRUE(first.RegisterAsFirstInstance(name));
        EXPECT_TRUE(first.IsFirstInstance());
        EXPECT_TRUE(IsInstanceRunning(uid, name));

        CInstanceChecker second;
        EXPECT_FALSE(second.RegisterAsFirstInstance(name));
        EXPECT_TRUE(second.NameTaken());
        EXPECT_FALSE(second.IsFirstInstance());
        EXPECT_FALSE(ListenOnInstanceSocket(InstanceSocketAddress(uid, name)));
        EXPECT_EQ(errno, EADDRINUSE);
    }
    EXPECT_FALSE(IsInstanceRunning(uid, name));
    CInstanceChecker again;
    EXPECT_TRUE(again.RegisterAsFirstInstance(name));
}

TEST(CInstanceCheckerTest, RaiseRequestIsAnsweredAndCallsTheHandler) {
    const std::string name = UniqueName();
    CInstanceChecker first;
    ASSERT_TRUE(first.RegisterAsFirstInstance(name));
    int raises = 0;

    // Without a handler the request is still answered.
    for (int round = 0; round < 2; ++round) {
        if (round == 1) first.SetRaiseHandler([&] { ++raises; });
        std::atomic<int> answered{-1};
        // The asking side waits, so it runs off the thread serving the socket.
        std::thread client([&] {
            const CUniqueFd fd =
                ConnectToInstanceSocket(InstanceSocketAddress(::getuid(), name), ::getuid());
            answered = fd && SendRaiseRequest(fd.Get(), 2s) ? 1 : 0;
        });
        EXPECT_TRUE(test::PumpUntil([&] { return answered >= 0; }, 5s));
        client.join();
        EXPECT_EQ(answered, 1);
        EXPECT_EQ(raises, round);
    }
}

TEST(InstanceSocketTest, EnqueueBodyKeepsWholeAbsolutePaths) {
    using std::string_literals::operator""s;
    const struct {
        std::string body;
        std::vector<std::string> paths;
    } cases[] = {
        {"", {}},
        {"/a.mp4\0/b c.mkv\0"s, {"/a.mp4", "/b c.mkv"}},
        {"relative.mp4\0\0/x\0"s, {"/x"}},  // not absolute, empty
        {"/a\0/cut-off"s, {"/a"}},          // the last piece lacks its NUL
    };
    for (const auto& c : cases) EXPECT_EQ(ParseEnqueueBody(c.body), c.paths) << c.body;
}

TEST(InstanceSocketTest, RequestLineDecidesOnceItIsWholeOrTooLong) {
    using R = InstanceRequest;
    const struct {
        std::string received;
        R request;
    } cases[] = {
        {"", R::kIncomplete},
        {"rai", R::kIncomplete},
        {"raise\n", R::kRaise},
        {"enqueue\n/a.mp4", R::kEnqueue},  // the body follows the line
        {"raise \n", R::kUnknown},
        {"\n", R::kUnknown},
        {std::string(kMaxInstanceRequest - 1, 'x'), R::kIncomplete},
        {std::string(kMaxInstanceRequest, 'x'), R::kTooLong},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyInstanceRequest(c.received), c.request) << c.received;
    }
}

TEST(CInstanceCheckerTest, EnqueueHandsThePathsOverAndAnswersTheCount) {
    const std::string name = UniqueName();
    const UnixSocketAddress address = InstanceSocketAddress(::getuid(), name);
    CInstanceChecker first;
    ASSERT_TRUE(first.RegisterAsFirstInstance(name));
    std::vector<std::vector<std::string>> calls;
    int raises = 0;
    first.SetRaiseHandler([&] { ++raises; });
    first.SetEnqueueHandler([&](const std::vector<std::string>& paths) {
        calls.push_back(paths);
        return static_cast<int>(paths.size()) * 10;  // a playlist may add many rows
    });

    // A second start with --enqueue: Start asks with the paths instead of "raise".
    std::atomic<int> added{-2};
    std::atomic<bool> second{false};
    std::thread client([&] {
        CInstanceChecker checker;
        checker.SetEnqueueRequest({"/m/a b.mp4", "/m/c.mkv"});
        second = checker.Start(name) == CInstanceChecker::Role::kSecond;
        added = checker.AddedCount();
    });
    EXPECT_TRUE(test::PumpUntil([&] { return added != -2; }, 5s));
    client.join();
    EXPECT_TRUE(second);
    EXPECT_EQ(added, 20);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (std::vector<std::string>{"/m/a b.mp4", "/m/c.mkv"}));
    EXPECT_EQ(raises, 0);  // an enqueue does not bring the player forward

    // Raw peers: a request filling the limit exactly is served; one byte more is closed
    // unanswered; a peer hanging up after the line gets "added 0" without a handler call.
    const std::string line(kEnqueueRequest);
    const std::string exact = line + std::string(kMaxEnqueueRequest - line.size() - 1, 'x') + '\0';
    const struct {
        std::string request;
        const char* reply;
    } peers[] = {
        {exact, "added 0\n"},  // one (relative) path: the handler gets nothing to add
        {exact + "y", ""},
        {line, "added 0\n"},
    };
    calls.clear();
    for (const auto& peer : peers) {
        std::atomic<bool> done{false};
        std::string reply;
        std::thread raw([&] {
            const CUniqueFd fd = ConnectToInstanceSocket(address, ::getuid());
            const int flags = fd ? ::fcntl(fd.Get(), F_GETFL) : 0;
            if (fd) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
            size_t sent = 0;
            while (fd && sent < peer.request.size()) {
                const ssize_t n = ::send(fd.Get(), peer.request.data() + sent,
                                         peer.request.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            if (fd) ::shutdown(fd.Get(), SHUT_WR);
            char buffer[64];
            ssize_t n;
            while (fd && (n = ::recv(fd.Get(), buffer, sizeof buffer, 0)) > 0)
                reply.append(buffer, n);
            done = true;
        });
        EXPECT_TRUE(test::PumpUntil([&] { return done.load(); }, 5s));
        raw.join();
        EXPECT_EQ(reply, peer.reply) << peer.request.size();
    }
    EXPECT_TRUE(calls.empty());  // neither the relative path nor the empty request reached it
    EXPECT_TRUE(first.IsFirstInstance());
}

TEST(CInstanceCheckerTest, WidgetRaiserRestoresAndActivatesTheModalDialogFirst) {
    QWidget window;
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    CInstanceChecker::MakeWidgetRaiser (&window)();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(test::PumpUntil([&] { return QApplication::activeWindow() == &window; }, 2s));

    QDialog dialog(&window);
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(test::PumpUntil([&] { return QApplication::activeWindow() == &other; }, 2s));
    CInstanceChecker::RaiseWidget(&window);
    EXPECT_TRUE(test::PumpUntil([&] { return QApplication::activeWindow() == &dialog; }, 2s));

    // A handler made for a window that has gone does nothing.
    auto widget = std::make_unique<QWidget>();
    const auto raiser = CInstanceChecker::MakeWidgetRaiser(widget.get());
    widget.reset();
    raiser();
}

TEST(CInstanceCheckerTest, BadPeersAreClosedWhileTheUiThreadKeepsTicking) {
    const std::string name = UniqueName();
    const UnixSocketAddress address = InstanceSocketAddress(::getuid(), name);
    CInstanceChecker first;
    ASSERT_TRUE(first.RegisterAsFirstInstance(name));
    int raises = 0;
    first.SetRaiseHandler([&] { ++raises; });

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    ticker.start(10);

    struct BadPeer {
        const char* what;
        std::string sends;
        bool closesAtOnce;  // else only when its two seconds are up
        CUniqueFd fd;
        qint64 closedAt = -1;
    };
    std::vector<BadPeer> peers;
    peers.push_back({"silent", "", false, {}});
    peers.push_back({"unknown line", "hello\n", true, {}});
    peers.push_back({"garbage without a line end", "\x01\x02\xff garbage", false, {}});
    peers.push_back({"half a request", "rai", false, {}});
    peers.push_back({"1000 bytes", std::string(1000, 'r'), true, {}});
    peers.push_back({"a line over 256 bytes", std::string(300, 'r') + "\n", true, {}});
    for (int i = 0; i < 20; ++i) peers.push_back({"one of many silent", "", false, {}});
    for (BadPeer& peer : peers) {
        // The listen backlog is short: let the server accept while the peers arrive.
        ASSERT_TRUE(test::PumpUntil(
            [&] { return (peer.fd = ConnectToInstanceSocket(address, ::getuid())).IsValid(); }, 2s))
            << peer.what;
        if (!peer.sends.empty()) {
            ASSERT_EQ(::send(peer.fd.Get(), peer.sends.data(), peer.sends.size(), MSG_NOSIGNAL),
                      static_cast<ssize_t>(peer.sends.size()))
                << peer.what;
        }
    }
    const qint64 sentAt = clock.elapsed();

    EXPECT_TRUE(test::PumpUntil(
        [&] {
            bool all = true;
            for (BadPeer& peer : peers) {
                if (peer.closedAt < 0 && PeerClosed(peer.fd.Get())) peer.closedAt = clock.elapsed();
                all = all && peer.closedAt >= 0;
            }
            return all;
        },
        6s));
    for (const BadPeer& peer : peers) {
        if (peer.closedAt < 0) continue;
        const qint64 after = peer.closedAt - sentAt;
        if (peer.closesAtOnce) {
            EXPECT_LT(after, 1000) << peer.what;
        } else if (std::string(peer.what) != "one of many silent") {
            // Beyond the served limit the extra connections close at once; the rest wait.
            EXPECT_GE(after, 1800) << peer.what;
            EXPECT_LT(after, 4000) << peer.what;
        }
    }
    EXPECT_LT(longestGap, 500);
    EXPECT_EQ(raises, 0);

    // The server still serves a good request afterwards.
    std::atomic<int> answered{-1};
    std::thread client([&] {
        const CUniqueFd fd = ConnectToInstanceSocket(address, ::getuid());
        answered = fd && SendRaiseRequest(fd.Get(), 2s) ? 1 : 0;
    });
    EXPECT_TRUE(test::PumpUntil([&] { return answered >= 0; }, 5s));
    client.join();
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(raises, 1);
}

// Two starts at once, ten times: one takes the name, the other asks it to come forward and
// ends; the name goes with the first process.
TEST(CInstanceCheckerTest, SimultaneousStartsHaveExactlyOneFirst) {
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const std::string name = UniqueName();
        Probe a(name);
        Probe b(name);
        ASSERT_TRUE(a.WaitForLine("ready"));
        ASSERT_TRUE(b.WaitForLine("ready"));
        a.Go();
        b.Go();
        ASSERT_TRUE(test::PumpUntil(
            [&] {
                return (a.HasLine("first") && b.HasLine("second answered") &&
                        a.HasLine("raised")) ||
                       (b.HasLine("first") && a.HasLine("second answered") && b.HasLine("raised"));
            },
            10s))
            << "a: " << a.output() << "b: " << b.output();
        Probe& first = a.HasLine("first") ? a : b;
        EXPECT_TRUE(IsInstanceRunning(::getuid(), name));
        first.process().closeWriteChannel();
        ASSERT_TRUE(test::PumpUntil(
            [&] {
                return a.process().state() == QProcess::NotRunning &&
                       b.process().state() == QProcess::NotRunning;
            },
            10s));
        EXPECT_EQ(a.process().exitCode(), 0);
        EXPECT_EQ(b.process().exitCode(), 0);
        EXPECT_FALSE(IsInstanceRunning(::getuid(), name));
    }
}

TEST(CInstanceCheckerTest, NameGoesWhenTheOwnerIsKilled) {
    const std::string name = UniqueName();
    const UnixSocketAddress address = InstanceSocketAddress(::getuid(), name);
    Probe owner(name);
    ASSERT_TRUE(owner.WaitForLine("ready"));
    owner.Go();
    ASSERT_TRUE(owner.WaitForLine("first"));
    EXPECT_TRUE(IsInstanceRunning(::getuid(), name));
    EXPECT_FALSE(ListenOnInstanceSocket(address));

    owner.process().kill();  // SIGKILL
    ASSERT_TRUE(owner.process().waitForFinished(10000));
    EXPECT_EQ(owner.process().exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(IsInstanceRunning(::getuid(), name));
    EXPECT_TRUE(ListenOnInstanceSocket(address));
}

// Forks a child that switches to user `uid` and runs `body`, whose result is the exit code.
pid_t ForkAsUser(uid_t uid, const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(uid) != 0 || ::setuid(uid) != 0) ::_exit(100);
        ::_exit(body());
    }
    return pid;
}

// The exit code of child `pid`, serving the event loop while it runs; -1 when it did not end.
int WaitServing(pid_t pid) {
    int status = 0;
    const bool ended =
        test::PumpUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 10s);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CInstanceCheckerTest, OtherUsersAreNeitherServedNorObeyed) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run a child as another user";
    constexpr uid_t kNobody = 65534;
    const std::string name = UniqueName();
    const UnixSocketAddress address = InstanceSocketAddress(::getuid(), name);

    // A request from another user is closed unanswered and never raises.
    {
        CInstanceChecker first;
        ASSERT_TRUE(first.RegisterAsFirstInstance(name));
        int raises = 0;
        first.SetRaiseHandler([&] { ++raises; });
        const pid_t child = ForkAsUser(kNobody, [&] {
            const CUniqueFd fd = ConnectToInstanceSocket(address, 0);
            if (!fd) return 2;
            return SendRaiseRequest(fd.Get(), 2s) ? 1 : 0;
        });
        ASSERT_GT(child, 0);
        EXPECT_EQ(WaitServing(child), 0);
        EXPECT_EQ(raises, 0);

        int enqueued = 0;
        first.SetEnqueueHandler([&](const std::vector<std::string>&) { return ++enqueued; });
        const pid_t enqueuer = ForkAsUser(kNobody, [&] {
            const CUniqueFd fd = ConnectToInstanceSocket(address, 0);
            if (!fd) return 2;
            return SendEnqueueRequest(fd.Get(), {"/tmp/x.mp4"}, 2s) < 0 ? 0 : 1;
        });
        ASSERT_GT(enqueuer, 0);
        EXPECT_EQ(WaitServing(enqueuer), 0);
        EXPECT_EQ(enqueued, 0);
    }

    // A socket of another user holding the name is not taken for a running player.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t squatter = ForkAsUser(kNobody, [&] {
        const CUniqueFd fd = ListenOnInstanceSocket(address);
        const char c = fd ? 'y' : 'n';
        if (::write(ready[1], &c, 1) != 1) return 1;
        ::pause();
        return 0;
    });
    ASSERT_GT(squatter, 0);
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(c, 'y');
    {
        CInstanceChecker checker;
        EXPECT_FALSE(checker.FindRunningInstance(name));
        EXPECT_EQ(checker.Start(name), CInstanceChecker::Role::kFirst);
        EXPECT_FALSE(checker.IsFirstInstance());
    }
    ::kill(squatter, SIGKILL);
    ::waitpid(squatter, nullptr, 0);
}

}  // namespace
}  // namespace zvp
