#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "app/Logger.h"
#include "support/FileWatch.h"
#include "support/TestUtil.h"

namespace zvp::test {

// Sends the diagnostic log of this test process to a fresh file (and not to standard output)
// for the lifetime of the object, so a test can look for the lines it expects.
class LogCapture {
  public:
    LogCapture() {
        Logger::Instance().SetStdoutOutput(false);
        Logger::Instance().SetFileOutput(true);
        Logger::Instance().OpenLogFile(path_);
    }
    ~LogCapture() {
        Logger::Instance().OpenLogFile("/dev/null");
        Logger::Instance().SetStdoutOutput(true);
    }

    std::string Text() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool Contains(const std::string& part) const { return Text().find(part) != std::string::npos; }
    int CountOf(const std::string& part) const {
        const std::string text = Text();
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    // Waits (on the log file's writes) until `part` appears at least `n` times, or 20 s.
    bool WaitForCount(const std::string& part, int n) const {
        return WaitForFileWrites(path_, [&] { return CountOf(part) >= n; });
    }

  private:
    TempDir dir_;
    std::string path_ = dir_.file("test.log");
};

}  // namespace zvp::test
