#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace zvp {

// Writes all of `data` to `fd`, retrying interrupted and short writes. False on an error.
inline bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace zvp
