#pragma once

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace zvp::test {

// Waits until `done()` holds, re-testing it each time inotify reports one of `events` on
// `path`, or until `timeout` passes; returns `done()`.
inline bool WaitForInotify(const std::string& path, uint32_t events,
                           const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return done();
    const bool watched = inotify_add_watch(fd, path.c_str(), events) >= 0;
    const auto end = std::chrono::steady_clock::now() + timeout;
    bool ok = done();
    while (!ok && watched) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left.count())) > 0) {
            char buffer[4096];
            while (read(fd, buffer, sizeof buffer) > 0) {
            }
        }
        ok = done();
    }
    close(fd);
    return ok;
}

// Waits until `done()` holds, re-testing it each time the file at `path` is written, or until
// `timeout` passes; returns `done()`. The file must exist. For what another thread or process
// writes to a file (a log, a device capture) and nothing else signals.
inline bool WaitForFileWrites(const std::string& path, const std::function<bool()>& done,
                              std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return WaitForInotify(path, IN_MODIFY | IN_CLOSE_WRITE, done, timeout);
}

// As WaitForFileWrites, re-testing `done()` each time an entry of `folder` is created, renamed
// into it, written, changed in mode or removed.
inline bool WaitForFolderChanges(const std::string& folder, const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return WaitForInotify(
        folder, IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE | IN_MODIFY, done,
        timeout);
}

// The size of the file at `path` (0 when absent).
inline std::uintmax_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

}  // namespace zvp::test
