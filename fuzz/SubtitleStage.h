#pragma once

// What the subtitle fuzz targets share: the subtitle subsystem set up once per process for
// 64 x 48 pictures with in-memory settings and a scratch folder of its own, and a render of
// every registered subtitle onto a YV12 and an RGB24 picture.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Logger.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"

extern "C" {
#include <libavutil/log.h>
}

namespace zvp::fuzz {

class SubtitleStage {
  public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;

    SubtitleStage() {
        Logger::Instance().SetStdoutOutput(false);
        Logger::Instance().SetFileOutput(false);
        av_log_set_level(AV_LOG_QUIET);
        std::string templ =
            (std::filesystem::temp_directory_path() / "zvp-sub-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        folder_ = templ + "/";
        auto host = std::make_shared<CMemorySubtitleHost>();
        host->SetTempFolder(folder_ + "tmp");
        std::filesystem::create_directories(folder_ + "tmp");
        SetSubtitleHost(host);
        if (!CSubtitle::Setup(kWidth, kHeight)) std::abort();
    }
    ~SubtitleStage() {
        ShutdownSubtitles();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    const std::string& Folder() const { return folder_; }

    // Renders at `timeMs` onto a grey YV12 and a grey RGB24 picture; the baseline never moves
    // below where it started.
    static void Render(int64_t timeMs) {
        for (const bool rgb24 : {false, true}) {
            const int stride = rgb24 ? (kWidth * 3 + 3) / 4 * 4 : kWidth;
            const size_t bytes = rgb24
                                     ? size_t(stride) * kHeight
                                     : size_t(kWidth) * kHeight + 2 * (kWidth / 2) * (kHeight / 2);
            // Exactly the picture's size, so that a write past its end is caught.
            std::vector<uint8_t> picture(bytes, 128);
            const int start = kHeight - 32;
            int baseline = start;
            RenderSubtitles(picture.data(), kWidth, kHeight, timeMs, baseline, stride, rgb24);
            if (baseline > start) __builtin_trap();
        }
    }

  private:
    std::string folder_;
};

}  // namespace zvp::fuzz
