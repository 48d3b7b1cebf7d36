#pragma once

#include <string>
#include <string_view>

namespace zvp {

// File-type lists: extensions without dots, separated by single spaces.
inline constexpr const char* kVideoFileTypes =
    "asf avi wmv rm rmvb ram rv m1v m2v mpg mpeg mpv2 tp ts mp4 mpeg4 m4v 3gp 3g2 mov flv "
    "flac flic swf h261 h263 h264";
inline constexpr const char* kAudioFileTypes = "wma wav mp2 mp3 mpa ra aac ac3 ogg";
inline constexpr const char* kSubtitleFileTypes = "ass srt";
inline constexpr const char* kPlaylistFileTypes = "mpl";

// One dialog filter group: name, "|", "*.<ext>;" for every extension of `list`, "|".
std::string BuildFilterGroup(std::string_view name, std::string_view list);

// The dialog filters (groups joined in order).
std::string MediaAndPlaylistFilter();  // All Media, All Video, All Audio, Playlists, All File(*.*)
std::string MediaFilter();             // All Media, All Video, All Audio, All File(*.*)
std::string PlaylistFilter();          // Playlists
std::string SubtitleFilter();          // Subtitles, All File(*.*)

// A filter above in QFileDialog form: "All Media (*.asf *.avi ...);;All Video (...)".
std::string ToQtFileDialogFilter(std::string_view filter);

// Whether `extension` (without dot, ASCII case ignored) is in `list`.
bool IsFileTypeInList(std::string_view extension, std::string_view list);

}  // namespace zvp
