#include "app/Logger.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

#include "app/FdWrite.h"

namespace zvp {
namespace {

constexpr const char* kLevelWords[] = {"ERROR", "info", "debug"};

int CurrentThreadId() {
    thread_local const int tid = static_cast<int>(::syscall(SYS_gettid));
    return tid;
}

}  // namespace

Logger& Logger::Instance() {
    // Never destroyed: threads may still log while static objects are torn down at exit.
    static Logger* const instance = new Logger();
    return *instance;
}

Logger::~Logger() {
    if (fd_ >= 0) ::close(fd_);
}

bool Logger::OpenLogFile(const std::string& path) {
    SharedMutexLock lock(file_lock_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_APPEND, 0644);
    file_bad_.store(false);
    return fd_ >= 0;
}

bool Logger::SetFileOutput(bool on) {
    return file_output_.exchange(on);
}

bool Logger::SetStdoutOutput(bool on) {
    return stdout_output_.exchange(on);
}

void Logger::Write(int level, const char* location, const char* format, va_list args) {
    if (level > kThreshold) return;
    // Indexing the level table with a level below 0 would read out of bounds.
    const char* word = (level >= 0 && level <= 2) ? kLevelWords[level] : "ERROR";

    thread_local std::unique_ptr<char[]> buffer(new char[kLineCapacity]);
    char* line = buffer.get();
    const size_t room = kLineCapacity - 1;  // the last byte is kept for the newline

    struct timeval tv;
    ::gettimeofday(&tv, nullptr);
    struct tm utc;
    ::gmtime_r(&tv.tv_sec, &utc);
    const int ms = static_cast<int>(tv.tv_usec / 1000);

    int prefix;
    if (location) {
        prefix = std::snprintf(line, room, "%02i:%02i:%02i:%03i % 5i %s: %s: ", utc.tm_hour,
                               utc.tm_min, utc.tm_sec, ms, CurrentThreadId(), word, location);
    } else {
        prefix = std::snprintf(line, room, "%02i:%02i:%02i:%03i % 5i %s: ", utc.tm_hour, utc.tm_min,
                               utc.tm_sec, ms, CurrentThreadId(), word);
    }
    if (prefix < 0) prefix = 0;
    size_t end;
    if (static_cast<size_t>(prefix) >= room) {
        end = room;
    } else {
        const size_t left = room - static_cast<size_t>(prefix);
        const int n = std::vsnprintf(line + prefix, left + 1, format, args);
        // A message that does not fit (or a format error) is cut at the last byte.
        end = (n >= 0 && static_cast<size_t>(n) < left) ? static_cast<size_t>(prefix + n) : room;
    }
    line[end] = '\n';
    const size_t length = end + 1;

    if (!file_output_.load()) return;
    {
        SharedMutexLock lock(file_lock_, SharedMutexLock::Shared{});
        if (fd_ >= 0 && !file_bad_.load()) {
            if (!WriteAll(fd_, line, length)) file_bad_.store(true);
        }
    }
    if (stdout_output_.load()) WriteAll(STDOUT_FILENO, line, length);
}

void Log(const LogPoint& point, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Logger::Instance().Write(point.level, point.location, format, args);
    va_end(args);
}

}  // namespace zvp
