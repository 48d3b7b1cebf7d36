#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zvp {

// Move-only owner of one file descriptor (file, pipe, socket); closes it on destruction.
// -1 means "none". Not thread-safe: one thread at a time, like the descriptor it owns.
class CUniqueFd {
  public:
    CUniqueFd() = default;
    explicit CUniqueFd(int fd) : fd_(fd) {}
    ~CUniqueFd() { Reset(); }

    CUniqueFd(CUniqueFd&& other) noexcept : fd_(other.Release()) {}
    CUniqueFd& operator=(CUniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;

    int Get() const { return fd_; }
    bool IsValid() const { return fd_ >= 0; }
    explicit operator bool() const { return IsValid(); }

    // Gives up ownership without closing; returns the descriptor (or -1).
    int Release() { return std::exchange(fd_, -1); }

    // Closes the owned descriptor (errno is kept), then owns `fd`.
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            const int saved = errno;
            ::close(fd_);
            errno = saved;
        }
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

}  // namespace zvp
