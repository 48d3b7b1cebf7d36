#include "app/CrashReportWriter.h"

#include <unistd.h>

#include <cerrno>

namespace zvp {

void CrashReportWriter::AppendFormatted(const char* format, const CrashFormatArg* args,
                                        size_t count) {
    if (pendingUnits_ > kFlushPoint) Flush();
    const size_t length = FormatCrashTextList(line_, sizeof(line_), format, args, count);
    for (size_t i = 0; i < length; ++i) pending_[pendingBytes_ + i] = line_[i];
    pendingBytes_ += length;
    pendingUnits_ += CrashUtf16Length(line_, length);
}

void CrashReportWriter::Flush() {
    size_t done = 0;
    while (done < pendingBytes_) {
        size_t consumed = 0;
        const size_t bytes = CrashUtf8ToUtf16Le(pending_ + done, pendingBytes_ - done, wide_,
                                                sizeof(wide_), &consumed);
        if (consumed == 0) break;
        done += consumed;
        size_t written = 0;
        while (!failed_ && written < bytes) {
            const ssize_t n = ::write(fd_, wide_ + written, bytes - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failed_ = true;
                break;
            }
            written += static_cast<size_t>(n);
        }
    }
    pendingBytes_ = 0;
    pendingUnits_ = 0;
}

bool CrashReportWriter::Finish() {
    Flush();
    return !failed_;
}

}  // namespace zvp
