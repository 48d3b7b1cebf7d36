#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "app/Logger.h"
#include "support/TestUtil.h"

namespace zvp::test {

// Sends the log to a file of its own for the scope, so a test can count its lines.
class ScopedLogCapture {
  public:
    ScopedLogCapture() {
        Logger::Instance().SetFileOutput(true);
        Logger::Instance().OpenLogFile(path_);
    }

    // The number of logged lines that contain `text`.
    int CountLines(const std::string& text) const {
        std::ifstream in(path_);
        int count = 0;
        for (std::string line; std::getline(in, line);) {
            if (line.find(text) != std::string::npos) ++count;
        }
        return count;
    }

  private:
    TempDir dir_;
    std::string path_ = dir_.file("ZVP.log");
};

}  // namespace zvp::test
