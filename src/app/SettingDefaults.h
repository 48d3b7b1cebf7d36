#pragma once

#include <array>

namespace zvp {

// The default of every known setting: section, value name and default joined by "::".
// The four entries whose default is empty have only two tokens once empty tokens are
// dropped, so they have no default at all.
inline constexpr std::array<const char*, 14> SettingDefaults = {
    "subtitle::primary_text_color::CCFFFF",
    "subtitle::secondary_text_color::FFFFCC",
    "subtitle::outline_color::000000",
    "subtitle::shadow_color::222222",
    "subtitle::font_name::",
    "subtitle::font_size::0",
    "subtitle::font_border_size::0",
    "settings::window_resizing_mode::fixed",
    "settings::aspect_ratio::default",
    "settings::loop_mode::playlist_loop",
    "settings::current_play_item::-1",
    "settings::default_playlist_path::",
    "settings::default_media_file_path::",
    "settings::default_subtitle_path::",
};

}  // namespace zvp
