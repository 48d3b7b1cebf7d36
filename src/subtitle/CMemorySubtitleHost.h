#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "subtitle/ISubtitleHost.h"

namespace zvp {

// A host that keeps the settings in memory and lets the caller drive the tick counter; for
// tests and tools that run the subtitle subsystem without the application's settings file.
//
// The candidate search looks, without subfolders, in the media file's folder, then in each
// folder of `subtitle_folders`, then in the default subtitle path; in each folder "srt"
// files before "ass" files, each sorted by name. Any thread may call any member.
class CMemorySubtitleHost : public ISubtitleHost {
  public:
    SubtitleSettings ReadSettings() override;
    void StoreFontName(const std::string& name) override;
    std::vector<std::string> FindCandidates(const std::string& mediaPath) override;
    std::string TempFolder() override;
    std::string DecodeText(std::string_view bytes) override;
    int64_t TickMs() override { return tick_ms_.load(); }

    void SetSettings(const SubtitleSettings& settings);
    void SetSubtitleFolders(std::vector<std::string> folders);
    // Empty: $TMPDIR or /tmp.
    void SetTempFolder(std::string folder);
    void SetTickMs(int64_t ms) { tick_ms_.store(ms); }
    void AdvanceTickMs(int64_t ms) { tick_ms_.fetch_add(ms); }
    int store_font_name_calls() const { return store_calls_.load(); }

  private:
    std::mutex lock_;
    SubtitleSettings settings_;         // guarded by lock_
    std::vector<std::string> folders_;  // guarded by lock_
    std::string temp_folder_;           // guarded by lock_
    std::atomic<int64_t> tick_ms_{1000000};
    std::atomic<int> store_calls_{0};
};

}  // namespace zvp
