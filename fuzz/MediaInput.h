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

#include "WriteWholeOrAbort.h"
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
        WriteWholeOrAbort(path, bytes);
        return path;
    }

  private:
    std::string folder_;
};

}  // namespace zvp::fuzz
