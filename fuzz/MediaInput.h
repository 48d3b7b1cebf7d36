#pragma once

// What the media fuzz targets share: the input written to a file in a scratch folder of the
// process's own (the player opens media by name), named "input.rm" when it starts as a
// RealMedia file does (the player treats those by their extension) and "input" otherwise.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/Logger.h"

extern "C" {
#include <libavutil/log.h>
}

namespace zvp::fuzz {

class MediaInput {
  public:
    MediaInput() {
        Logger::Instance().SetStdoutOutput(false);
        Logger::Instance().SetFileOutput(false);
        av_log_set_level(AV_LOG_QUIET);
        std::string templ =
            (std::filesystem::temp_directory_path() / "zvp-media-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        folder_ = templ + "/";
    }
    ~MediaInput() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    // Writes `bytes` as the input file and returns its name.
    std::string Write(std::string_view bytes) {
        ::unlink((folder_ + "input").c_str());
        ::unlink((folder_ + "input.rm").c_str());
        const std::string path = folder_ + (bytes.starts_with(".RMF") ? "input.rm" : "input");
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) std::abort();
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        return path;
    }

  private:
    std::string folder_;
};

}  // namespace zvp::fuzz
