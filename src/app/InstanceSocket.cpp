#include "app/InstanceSocket.h"

#include <poll.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace zvp {
namespace {

constexpr int kListenBacklog = 16;

CUniqueFd NewStreamSocket() {
    return CUniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

// Waits until `fd` has one of `events` or `deadline` passes; false on timeout or error.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

}  // namespace

UnixSocketAddress InstanceSocketAddress(uid_t uid, std::string_view name) {
    UnixSocketAddress out;
    const std::string full = std::string(name) + std::to_string(uid);
    if (full.size() + 1 > sizeof(out.address.sun_path)) return out;
    out.address.sun_family = AF_UNIX;
    out.address.sun_path[0] = '\0';
    std::memcpy(out.address.sun_path + 1, full.data(), full.size());
    out.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + full.size());
    return out;
}

std::string InstanceSocketListing(uid_t uid, std::string_view name) {
    return "@" + std::string(name) + std::to_string(uid);
}

bool IsInstanceRunning(uid_t uid, std::string_view name) {
    std::ifstream table("/proc/net/unix");
    if (table) {
        const std::string wanted = InstanceSocketListing(uid, name);
        std::string line;
        std::getline(table, line);  // the column titles
        while (std::getline(table, line)) {
            // "Num RefCount Protocol Flags Type St Inode Path": the path is the eighth field.
            std::istringstream fields(line);
            std::string field;
            int index = 0;
            while (fields >> field && ++index < 8) {
            }
            if (index == 8 && field == wanted) return true;
        }
        return false;
    }
    const UnixSocketAddress address = InstanceSocketAddress(uid, name);
    CUniqueFd fd = NewStreamSocket();
    if (!fd || address.length == 0) return false;
    const int rc =
        ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address.address), address.length);
    // An unbound abstract name also answers ECONNREFUSED, so only a connection tells.
    return rc == 0 || errno == EAGAIN;
}

CUniqueFd ListenOnInstanceSocket(const UnixSocketAddress& address) {
    if (address.length == 0) {
        errno = ENAMETOOLONG;
        return {};
    }
    CUniqueFd fd = NewStreamSocket();
    if (!fd) return {};
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address.address), address.length) !=
            0 ||
        ::listen(fd.Get(), kListenBacklog) != 0) {
        return {};
    }
    return fd;
}

CUniqueFd ConnectToInstanceSocket(const UnixSocketAddress& address, uid_t ownerUid) {
    if (address.length == 0) {
        errno = ENAMETOOLONG;
        return {};
    }
    CUniqueFd fd = NewStreamSocket();
    if (!fd) return {};
    // A Unix stream connect completes at once or fails at once (EAGAIN: backlog full).
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address.address), address.length) !=
        0) {
        return {};
    }
    // The kernel hands the client the credentials the listener had when it called listen().
    if (PeerUid(fd.Get()) != static_cast<long>(ownerUid)) {
        errno = EPERM;
        return {};
    }
    return fd;
}

bool SendRaiseRequest(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string_view request = kRaiseRequest;
    while (!request.empty()) {
        const ssize_t n = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        if (n > 0) {
            request.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    std::string reply;
    while (reply.size() < kRaiseReply.size()) {
        char buffer[16];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            reply.append(buffer, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLIN, deadline)) return false;
        } else {
            break;  // closed, or an error
        }
    }
    return reply == kRaiseReply;
}

long PeerUid(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return -1;
    return static_cast<long>(credentials.uid);
}

long PeerPid(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return -1;
    return static_cast<long>(credentials.pid);
}

}  // namespace zvp
