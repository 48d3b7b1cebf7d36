#include "app/InstanceSocket.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include "app/WholeFile.h"

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
    std::string listing;
    if (ReadWholeFile("/proc/net/unix", kMaxTextFileSize, listing)) {
        std::istringstream table(listing);
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

namespace {

// Sends all of `data`; false on an error or when `deadline` passes.
bool SendAll(int fd, std::string_view data, std::chrono::steady_clock::time_point deadline) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

// Reads until `done` holds for what came, the peer closes, at most `limit` bytes arrived, or
// `deadline` passes.
std::string ReceiveReply(int fd, size_t limit, std::chrono::steady_clock::time_point deadline,
                         const std::function<bool(const std::string&)>& done) {
    std::string reply;
    while (reply.size() < limit && !done(reply)) {
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, limit - reply.size()), 0);
        if (n > 0) {
            reply.append(buffer, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLIN, deadline)) break;
        } else {
            break;  // closed, or an error
        }
    }
    return reply;
}

}  // namespace

bool SendRaiseRequest(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!SendAll(fd, kRaiseRequest, deadline)) return false;
    const std::string reply =
        ReceiveReply(fd, kRaiseReply.size(), deadline, [](const std::string&) { return false; });
    return reply == kRaiseReply;
}

int SendEnqueueRequest(int fd, const std::vector<std::string>& paths,
                       std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string request(kEnqueueRequest);
    for (const std::string& path : paths) {
        if (path.empty() || path.find('\0') != std::string::npos) continue;
        if (request.size() + path.size() + 1 > kMaxEnqueueRequest) continue;
        request += path;
        request += '\0';
    }
    if (!SendAll(fd, request, deadline)) return -1;
    ::shutdown(fd, SHUT_WR);
    const std::string reply =
        ReceiveReply(fd, kMaxInstanceRequest, deadline,
                     [](const std::string& r) { return r.find('\n') != std::string::npos; });
    if (reply.size() < kEnqueueReply.size() + 2 || !reply.starts_with(kEnqueueReply) ||
        reply.back() != '\n') {
        return -1;
    }
    const std::string count =
        reply.substr(kEnqueueReply.size(), reply.size() - kEnqueueReply.size() - 1);
    if (count.empty() || count.size() > 9 ||
        count.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stoi(count);
}

InstanceRequest ClassifyInstanceRequest(std::string_view received) {
    const size_t end = received.find('\n');
    if (end == std::string_view::npos) {
        return received.size() >= kMaxInstanceRequest ? InstanceRequest::kTooLong
                                                      : InstanceRequest::kIncomplete;
    }
    const std::string_view line = received.substr(0, end + 1);
    if (line == kEnqueueRequest) return InstanceRequest::kEnqueue;
    if (line == kRaiseRequest) return InstanceRequest::kRaise;
    return InstanceRequest::kUnknown;
}

std::vector<std::string> ParseEnqueueBody(std::string_view body) {
    std::vector<std::string> paths;
    for (size_t end; (end = body.find('\0')) != std::string_view::npos;
         body.remove_prefix(end + 1)) {
        const std::string_view path = body.substr(0, end);
        if (!path.empty() && path[0] == '/') paths.emplace_back(path);
    }
    return paths;
}

namespace {

// The peer's credentials (SO_PEERCRED); false when they cannot be read.
bool PeerCredentials(int fd, ucred& credentials) {
    socklen_t size = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0;
}

}  // namespace

long PeerUid(int fd) {
    ucred credentials{};
    return PeerCredentials(fd, credentials) ? static_cast<long>(credentials.uid) : -1;
}

long PeerPid(int fd) {
    ucred credentials{};
    return PeerCredentials(fd, credentials) ? static_cast<long>(credentials.pid) : -1;
}

}  // namespace zvp
