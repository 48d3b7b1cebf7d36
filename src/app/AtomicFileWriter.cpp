#include "app/AtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/FdWrite.h"

namespace zvp {
namespace {

std::atomic<unsigned> g_temp_counter{0};

// Flushes the folder holding `path`, so the rename itself survives a power cut.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() {
    Abort();
}

AtomicFileWriter::AtomicFileWriter(AtomicFileWriter&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      failed_(other.failed_),
      saved_errno_(other.saved_errno_),
      target_(std::move(other.target_)),
      temp_path_(std::move(other.temp_path_)) {}

AtomicFileWriter& AtomicFileWriter::operator=(AtomicFileWriter&& other) noexcept {
    if (this != &other) {
        Abort();
        fd_ = std::exchange(other.fd_, -1);
        failed_ = other.failed_;
        saved_errno_ = other.saved_errno_;
        target_ = std::move(other.target_);
        temp_path_ = std::move(other.temp_path_);
    }
    return *this;
}

bool AtomicFileWriter::Open(const std::string& target, int mode) {
    Abort();
    failed_ = false;
    saved_errno_ = 0;
    target_ = target;
    // Replace the file a symbolic link points at, not the link itself.
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    }
    struct stat existing {};
    const bool has_existing = ::stat(target_.c_str(), &existing) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path_ = target_ + ".tmp" + std::to_string(::getpid()) + "-" +
                     std::to_string(g_temp_counter.fetch_add(1));
        fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        if (errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int err = errno;
        temp_path_.clear();
        errno = err;
        return false;
    }
    if (mode != kKeepMode) {
        ::fchmod(fd_, static_cast<mode_t>(mode) & 07777);
    } else if (has_existing) {
        ::fchmod(fd_, existing.st_mode & 07777);
    }
    return true;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    if (failed_) return false;
    if (!WriteAll(fd_, bytes.data(), bytes.size())) {
        failed_ = true;
        saved_errno_ = errno;
        return false;
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    int err = 0;
    if (failed_) {
        err = saved_errno_;
    } else if (::fsync(fd_) != 0) {
        err = errno;
    }
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    if (err == 0 && ::rename(temp_path_.c_str(), target_.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp_path_.c_str());
        temp_path_.clear();
        errno = err;
        return false;
    }
    temp_path_.clear();
    SyncFolderOf(target_);
    return true;
}

void AtomicFileWriter::Abort() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_path_.empty()) {
        ::unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

bool AtomicFileWriter::WriteFile(const std::string& path, std::string_view bytes, int mode) {
    AtomicFileWriter writer;
    if (!writer.Open(path, mode)) return false;
    writer.Write(bytes);
    return writer.Commit();
}

}  // namespace zvp
