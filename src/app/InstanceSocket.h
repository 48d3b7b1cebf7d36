#pragma once

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "app/CUniqueFd.h"

namespace zvp {

// The single-instance name, shared by the player and the relauncher. The running player of a
// user listens on an abstract-namespace Unix stream socket named "<name><uid>" (for example
// "CInstanceChecker_MMF_ZVP1000"). Binding the name is the test: the kernel lets one socket
// hold it, and removes it when that socket closes, which includes the end of its process for
// any reason (SIGKILL too).
//
// Protocol on a connection: the client sends one line of at most kMaxInstanceRequest bytes
// including its line feed; "raise\n" asks the player to come to the front, and the player
// answers "ok\n" and closes. "enqueue\n" is followed by absolute paths, each ended by a NUL,
// at most kMaxEnqueueRequest bytes in all, after which the client shuts its sending side; the
// player appends the files and answers "added <n>\n" with the number of rows it added. Any
// other line, or a request not complete within two seconds, is answered by closing.
//
// Everything here is plain system calls: stateless, any thread; nothing needs Qt.
inline constexpr std::string_view kInstanceName = "CInstanceChecker_MMF_ZVP";
inline constexpr std::string_view kRaiseRequest = "raise\n";
inline constexpr std::string_view kRaiseReply = "ok\n";
inline constexpr size_t kMaxInstanceRequest = 256;
inline constexpr std::string_view kEnqueueRequest = "enqueue\n";
inline constexpr std::string_view kEnqueueReply = "added ";
inline constexpr size_t kMaxEnqueueRequest = size_t{1} << 20;  // the line included

// A socket address and the exact length that bind and connect take for it.
struct UnixSocketAddress {
    sockaddr_un address{};
    socklen_t length = 0;  // 0 when the name does not fit
};

// The abstract address of "<name><uid>": family, a leading NUL, then the name bytes without
// a terminator or padding; `length` counts exactly those bytes, as Qt's abstract-namespace
// local sockets do.
UnixSocketAddress InstanceSocketAddress(uid_t uid, std::string_view name = kInstanceName);

// The name as /proc/net/unix shows it: "@<name><uid>".
std::string InstanceSocketListing(uid_t uid, std::string_view name = kInstanceName);

// Whether some process holds the name, from /proc/net/unix; when that cannot be read, by
// connecting and closing at once. Never sends anything. The relauncher polls this.
bool IsInstanceRunning(uid_t uid = ::getuid(), std::string_view name = kInstanceName);

// Binds `address` and listens on it. The socket is non-blocking and close-on-exec. An invalid
// owner with errno set on failure: EADDRINUSE when another socket holds the name.
CUniqueFd ListenOnInstanceSocket(const UnixSocketAddress& address);

// Connects to the socket listening on `address` (non-blocking, close-on-exec) and checks that
// its owner runs as `ownerUid`. An invalid owner with errno set on failure: ECONNREFUSED when
// nobody listens (or the name is bound but not yet listening), EAGAIN when the listener's
// backlog is full, EPERM when another user owns the listener.
CUniqueFd ConnectToInstanceSocket(const UnixSocketAddress& address, uid_t ownerUid);

// Sends "raise\n" on the connected socket `fd` and waits up to `timeout` for the answer.
// True when the listener answered "ok\n". Blocks the calling thread for at most `timeout`.
bool SendRaiseRequest(int fd, std::chrono::milliseconds timeout);

// Sends "enqueue\n" and `paths` (each NUL-ended; paths that would take the request past
// kMaxEnqueueRequest, and empty ones, are left out) on the connected socket `fd`, shuts the
// sending side and waits up to `timeout` in all for the answer. The number of rows the
// player added, or -1 when it did not answer. Blocks the calling thread for at most `timeout`.
int SendEnqueueRequest(int fd, const std::vector<std::string>& paths,
                       std::chrono::milliseconds timeout);

// What the first bytes a peer sent ask for; only its request line counts (what follows an
// enqueue line is its body).
enum class InstanceRequest {
    kIncomplete,  // no line feed yet, fewer than kMaxInstanceRequest bytes
    kTooLong,     // kMaxInstanceRequest bytes or more without a line feed
    kRaise,
    kEnqueue,
    kUnknown,  // any other line
};
InstanceRequest ClassifyInstanceRequest(std::string_view received);

// The NUL-ended paths of an enqueue request's body (after its line); a last piece without
// its NUL is dropped, and so is every path that is not absolute.
std::vector<std::string> ParseEnqueueBody(std::string_view body);

// The credentials' user id of the peer of connected socket `fd`, or -1 when unknown.
long PeerUid(int fd);

// The credentials' process id of the peer of connected socket `fd` (for a listener: the
// process that called listen()), or -1 when unknown. 0 when the peer lives in a process id
// namespace this process cannot see.
long PeerPid(int fd);

}  // namespace zvp
