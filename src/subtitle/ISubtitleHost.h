#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvp {

// The subtitle settings as read at one moment ("subtitle::..." and
// "settings::default_subtitle_path").
struct SubtitleSettings {
    std::string font_name;  // empty when not set
    int font_size = 0;
    int font_border_size = 0;
    // Six hexadecimal digits RRGGBB as stored; nullopt when the setting is missing.
    std::optional<std::string> primary_color = "CCFFFF";
    std::optional<std::string> secondary_color = "FFFFCC";
    std::optional<std::string> outline_color = "000000";
    std::optional<std::string> shadow_color = "222222";
    std::string default_subtitle_path;  // empty when not set
};

// What the subtitle subsystem needs from the application: settings, folders, text decoding,
// the candidate search and the tick counter. The process has one host (SetSubtitleHost);
// the application's own host reads CAppIni and CAppFolder, tests install an in-memory one.
//
// Threads: ReadSettings, StoreFontName and FindCandidates are called on the UI thread (or the
// thread that loads media) only, never on the streaming thread. TempFolder, DecodeText and
// TickMs may be called from any thread.
class ISubtitleHost {
  public:
    virtual ~ISubtitleHost() = default;

    virtual SubtitleSettings ReadSettings() = 0;
    // Stores "subtitle::font_name" and saves the settings at once.
    virtual void StoreFontName(const std::string& name) = 0;
    // Subtitle files ("srt"/"ass") that belong to `mediaPath`, in search order.
    virtual std::vector<std::string> FindCandidates(const std::string& mediaPath) = 0;
    // The system's temporary folder, ending in "/".
    virtual std::string TempFolder() = 0;
    // The bytes of a text file without a byte-order mark as UTF-8 (valid UTF-8 as it is,
    // else a detected legacy code page, Windows-1252 as the last resort).
    virtual std::string DecodeText(std::string_view bytes) = 0;
    // Milliseconds of a monotonic tick counter.
    virtual int64_t TickMs() = 0;
};

}  // namespace zvp
