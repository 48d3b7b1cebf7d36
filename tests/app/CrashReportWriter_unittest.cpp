#include "app/CrashReportWriter.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace zvp {
namespace {

// An in-memory file the writer writes to.
class MemoryFile {
  public:
    MemoryFile() : fd_(::memfd_create("report", MFD_CLOEXEC)) {}
    ~MemoryFile() { ::close(fd_); }
    int fd() const { return fd_; }
    std::string Bytes() const {
        struct stat info {};
        ::fstat(fd_, &info);
        std::string out(static_cast<size_t>(info.st_size), '\0');
        if (::pread(fd_, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size())) return {};
        return out;
    }

  private:
    int fd_;
};

std::string Utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(CrashReportWriterTest, FlushesOnlyWhenMoreThanTheFlushPointIsPending) {
    MemoryFile file;
    CrashReportWriter writer(file.fd());
    // 7 lines of 1024 characters end exactly at the flush point: nothing is written yet.
    const std::string line(1022, 'x');
    for (int i = 0; i < 7; ++i) writer.Line("%s\r\n", line.c_str());
    EXPECT_EQ(writer.PendingUnits(), CrashReportWriter::kFlushPoint);
    writer.Line("a");
    EXPECT_EQ(file.Bytes().size(), 0u);
    // Now more than the flush point is pending: the next line flushes first.
    writer.Line("b\r\n");
    EXPECT_EQ(file.Bytes().size(), 2 * (CrashReportWriter::kFlushPoint + 1));
    EXPECT_EQ(writer.PendingUnits(), 3u);
    ASSERT_TRUE(writer.Finish());
    std::string expected;
    for (int i = 0; i < 7; ++i) expected += line + "\r\n";
    EXPECT_EQ(file.Bytes(), Utf16(expected + "ab\r\n"));
}

TEST(CrashReportWriterTest, WidensMultiByteTextAcrossChunks) {
    MemoryFile file;
    CrashReportWriter writer(file.fd());
    // Pending text larger than the widening chunk, ending in a character outside the BMP.
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "\xc3\xa9";  // é
    writer.Line("%s", text.c_str());
    writer.Line("%s", text.c_str());
    writer.Line("\xf0\x9f\x98\x80");
    ASSERT_TRUE(writer.Finish());
    const std::string bytes = file.Bytes();
    ASSERT_EQ(bytes.size(), 2u * (4000 + 2));
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xe9\x00", 2));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x3d\xd8\x00\xde", 4));
}

TEST(CrashReportWriterTest, FinishReportsAFailedWrite) {
    CrashReportWriter writer(-1);
    writer.Line("lost");
    EXPECT_FALSE(writer.Finish());
}

}  // namespace
}  // namespace zvp
