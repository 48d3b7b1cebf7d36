#pragma once

#include <atomic>
#include <cstdarg>
#include <string>

#include "app/LogPoint.h"
#include "app/SharedMutex.h"

namespace zvp {

// The process-wide diagnostic log. Every line is
//   "HH:MM:SS:mmm  TID level: location: message\n"
// (UTC time, kernel thread id right-aligned in five places) and goes to standard output
// and, while file output is on and a file is open, to the log file.
//
// Threads: any thread may log. Each thread formats into its own 4096-byte buffer, so
// formatting takes no lock. `file_lock_` is held shared while a line is written to the
// file and exclusively while `OpenLogFile` swaps the file, so a line never lands in a
// file descriptor that is being closed.
class Logger {
  public:
    static constexpr int kThreshold = 2;
    static constexpr size_t kLineCapacity = 4096;

    // The logger, built on first call; lives until process exit.
    static Logger& Instance();

    // Closes the current file, then opens `path` truncated. Every line is written to it with
    // one unbuffered write. Returns false (and keeps no file) when the open fails.
    bool OpenLogFile(const std::string& path) EXCLUDES(file_lock_);

    // Stores the file-output switch and returns the previous value.
    bool SetFileOutput(bool on);

    // Turns the standard-output sink on or off; returns the previous value. Benchmarks
    // measuring the file sink switch it off.
    bool SetStdoutOutput(bool on);

    // Formats one line as described above and writes it to the sinks.
    void Write(int level, const char* location, const char* format, va_list args)
        EXCLUDES(file_lock_);

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

  private:
    Logger() = default;
    ~Logger();

    std::atomic<bool> file_output_{true};
    std::atomic<bool> stdout_output_{true};
    SharedMutex file_lock_;
    int fd_ GUARDED_BY(file_lock_) = -1;
    std::atomic<bool> file_bad_{false};  // a write failed: no more file writes this run
};

// Writes one diagnostic line through `point`; `format` follows printf.
void Log(const LogPoint& point, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace zvp
