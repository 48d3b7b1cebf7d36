#pragma once

#include <string>
#include <vector>

namespace zvp {

class CAppIni;

// Finds subtitle files of `mediaPath`: files whose name starts with the media file's title
// and whose extension is "srt" or "ass" (ASCII case ignored), searched with subfolders in
// the media file's folder, the Subtitles folder (created when missing) and the folder under
// "settings::default_subtitle_path" (skipped when empty), srt before ass in each. Each path
// is added once; the list is finally sorted by path text. Uses `settings` (default: the
// process-wide object) for the default folder. UI thread (reads the settings).
void FindSubtitleFiles(const std::string& mediaPath, std::vector<std::string>& list);
void FindSubtitleFiles(const std::string& mediaPath, std::vector<std::string>& list,
                       const CAppIni& settings);

}  // namespace zvp
