// Hopover, the relauncher: started by the player with the path of a downloaded installer, it
// waits until no player of this user runs, then runs the installer and waits for it to end.
//
//   Hopover <installer path>
//
// Exit codes: 0 when the argument count is not one (nothing done) or the installer ran and
// ended; 1 when the path does not exist, is refused (not a regular file in the relauncher's own
// folder with an acceptable installer name) or the installer could not be started, each with a
// line on standard error.
//
// The player is seen through its instance socket: the relauncher takes the listener's pid from
// the socket's credentials and waits on a pidfd of it; where that cannot work (no pidfd, a pid
// namespace boundary) it probes the socket every 100 ms instead. HOPOVER_POLL=1 in the
// environment forces the probe loop. A probe connects and closes without sending anything.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "app/CUniqueFd.h"
#include "app/InstallerName.h"
#include "app/InstanceSocket.h"
#include "app/SpawnProgram.h"

namespace zvp {
namespace {

constexpr long kProbeIntervalNs = 100L * 1000 * 1000;

struct Probe {
    bool present = false;
    long pid = -1;  // the listener's pid; -1 unknown, 0 outside our pid namespace
};

Probe ProbePlayer(const UnixSocketAddress& address) {
    CUniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd || address.length == 0) return {};
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address.address), address.length) !=
        0) {
        return {errno == EAGAIN, -1};  // EAGAIN: a listener with a full backlog
    }
    return {true, PeerPid(fd.Get())};
}

void SleepProbeInterval() {
    timespec left{0, kProbeIntervalNs};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void ProbeUntilGone(const UnixSocketAddress& address) {
    while (ProbePlayer(address).present) SleepProbeInterval();
}

// Waits until the process `pidfd` refers to has ended.
void WaitForProcess(int pidfd) {
    pollfd p{pidfd, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
}

void WaitForPlayer(bool forceProbe) {
    const UnixSocketAddress address = InstanceSocketAddress(::getuid());
    for (;;) {
        const Probe first = ProbePlayer(address);
        if (!first.present) return;
        if (forceProbe || first.pid <= 0) {
            ProbeUntilGone(address);
            return;
        }
        CUniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, first.pid, 0)));
        if (!pidfd) {
            ProbeUntilGone(address);
            return;
        }
        // The pid may have been reused between the probe and pidfd_open: only a listener that
        // still has that pid makes the pidfd the player's.
        const Probe second = ProbePlayer(address);
        if (!second.present) return;
        if (second.pid != first.pid) continue;
        WaitForProcess(pidfd.Get());
    }
}

std::optional<std::string> RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer)) return std::nullopt;
    return std::string(buffer);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int Refuse(const std::string& path, const char* why) {
    std::fprintf(stderr, "Hopover: refused %s: %s\n", path.c_str(), why);
    return 1;
}

int RunInstaller(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "Hopover: %s does not exist\n", path.c_str());
        return 1;
    }
    const std::optional<std::string> self = RealPath("/proc/self/exe");
    const std::optional<std::string> folder = RealPath(FolderOf(path));
    if (!self || !folder || FolderOf(*self) != *folder) {
        return Refuse(path, "not in the relauncher's folder");
    }
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::optional<InstallerName> parsed = ParseInstallerName(name);
    if (!parsed || parsed->name != name) return Refuse(path, "not an installer name");
    if (!S_ISREG(info.st_mode)) return Refuse(path, "not a regular file");

    std::string target = *folder + "/" + name;
    const bool direct = ::access(target.c_str(), X_OK) == 0;
    pid_t pid = 0;
    const int rc = direct ? SpawnProgram({target}, SpawnOptions{}, &pid)
                          : SpawnProgram({"xdg-open", target}, SpawnOptions{true, false}, &pid);
    if (rc != 0) {
        std::fprintf(stderr, "Hopover: cannot start %s: %s\n", target.c_str(), std::strerror(rc));
        return 1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return 0;
}

}  // namespace
}  // namespace zvp

int main(int argc, char** argv) {
    if (argc != 2) return 0;
    const char* probe = std::getenv("HOPOVER_POLL");
    zvp::WaitForPlayer(probe && std::strcmp(probe, "1") == 0);
    return zvp::RunInstaller(argv[1]);
}
