#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zvp {

class CPlaybackInfo;

// What the media information dialog shows of one open media file: its name, its folder
// (ending in "/") and the (label, value) rows of the list, in order. A value type.
struct MediaInfo {
    std::string fileName;
    std::string folder;
    std::vector<std::pair<std::string, std::string>> rows;
};

// Reads everything the dialog shows from `info` (null: nothing loaded) at once under its
// GetLock(), and keeps no pointer into it, so the result stays valid after the file is
// closed or another one loaded. Rows: "General:" with size, length and resolution; with
// video an empty row and the "Video:" block (codec, bit rate, frame rate); with audio an
// empty row and the "Audio:" block of the current audio stream (codec, channels, bit rate,
// sample rate, sample bits, sample format). Subtitle streams add nothing. A name FFmpeg
// does not know gives an empty value. Any thread that may take the record's lock.
MediaInfo ReadMediaInfo(CPlaybackInfo* info);

}  // namespace zvp
