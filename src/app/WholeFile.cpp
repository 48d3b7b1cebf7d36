#include "app/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace zvp {

bool ReadWholeFile(const std::string& path, size_t limit, std::string& out) {
    // O_NONBLOCK keeps the open of a FIFO from waiting; it has no effect on regular files.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    int err = 0;
    if (::fstat(fd, &info) != 0) {
        err = errno;
    } else if (S_ISDIR(info.st_mode)) {
        err = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        err = EINVAL;
    }
    if (err != 0) {
        ::close(fd);
        errno = err;
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > limit) {
        ::close(fd);
        errno = EFBIG;
        return false;
    }
    out.clear();
    out.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            ::close(fd);
            errno = err;
            return false;
        }
        if (n == 0) break;
        if (out.size() + static_cast<size_t>(n) > limit) {
            ::close(fd);
            errno = EFBIG;
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace zvp
