#pragma once

#include <cstddef>

#include "app/CrashText.h"

namespace zvp {

// The crash report's text writer: lines are formatted in UTF-8 into a pending buffer; before
// a line is appended, when more than kFlushPoint UTF-16 units are pending, the pending text
// is widened to UTF-16LE (no byte-order mark) and written to the file. Finish() writes the
// rest. No allocation and only write(2): usable in a signal handler. The writer does not own
// the descriptor. One thread at a time.
class CrashReportWriter {
  public:
    static constexpr size_t kFlushPoint = 7168;  // UTF-16 units
    static constexpr size_t kLineMax = 4096;     // bytes of one formatted line

    CrashReportWriter() = default;
    explicit CrashReportWriter(int fd) : fd_(fd) {}
    CrashReportWriter(const CrashReportWriter&) = delete;
    CrashReportWriter& operator=(const CrashReportWriter&) = delete;

    // Starts over on `fd`, dropping anything pending.
    void Reset(int fd) {
        fd_ = fd;
        failed_ = false;
        pendingBytes_ = pendingUnits_ = 0;
    }

    // Appends one formatted piece (see FormatCrashText); longer pieces are cut at kLineMax.
    template <typename... Args>
    void Line(const char* format, Args... args) {
        const CrashFormatArg list[] = {CrashFormatArg(args)..., CrashFormatArg(0)};
        AppendFormatted(format, list, sizeof...(Args));
    }
    void AppendFormatted(const char* format, const CrashFormatArg* args, size_t count);

    // Writes what is pending; false when any write so far failed.
    bool Finish();

    // UTF-16 units pending (for tests).
    size_t PendingUnits() const { return pendingUnits_; }

  private:
    void Flush();

    int fd_ = -1;
    bool failed_ = false;
    size_t pendingBytes_ = 0;
    size_t pendingUnits_ = 0;
    // At most kFlushPoint units of up to three bytes each, plus one line.
    char pending_[kFlushPoint * 3 + kLineMax];
    char line_[kLineMax + 1];
    unsigned char wide_[4096];
};

}  // namespace zvp
