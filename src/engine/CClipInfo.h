#pragma once

#include <cstdint>
#include <string>

namespace zvp {

// What the player knows about one file: one record per playlist row (owned by the playlist),
// handed to the engine's Load, which reads `path` and fills the picture size, duration, seek
// capabilities, title/author/copyright, the file attributes and the two flags.
//
// Texts are UTF-8. Threads: UI thread only (no lock).
class CClipInfo {
  public:
    CClipInfo() = default;
    virtual ~CClipInfo() = default;

    // Fills `fileSize`, `creationTime` and `lastAccessTime` from the file at `path` (statx:
    // the birth time where the file system records one, else the status-change time). Leaves
    // them unchanged and returns false when the file cannot be examined.
    bool ReadFileAttributes();

    // `title` when it is not empty, else the file name with its extension taken from `path`.
    std::string GetDisplayTitle() const;

    int32_t width = 0;  // picture size from the video renderer; 0 when unknown
    int32_t height = 0;
    // The size the picture is shown at: width × height stretched by the stream's sample
    // aspect ratio (DisplaySize); equal to width × height for square pixels or none known.
    int32_t displayWidth = 0;
    int32_t displayHeight = 0;
    uint64_t fileSize = 0;        // bytes
    uint64_t creationTime = 0;    // 100 ns units since 1970-01-01 UTC
    uint32_t addTime = 0;         // steady-clock milliseconds when the row was added
    uint64_t addSequence = 0;     // per-process count taken with addTime: the order of adding
    uint64_t lastAccessTime = 0;  // 100 ns units since 1970-01-01 UTC
    double duration = 0.0;        // seconds
    bool loadFailed = false;      // the last Load of this record failed
    bool audioOnly = false;       // the loaded file has no picture size
    bool canSeekAbsolute = false;
    bool canSeekForwards = false;
    bool canSeekBackwards = false;
    std::string path;   // as added
    std::string title;  // the media's own title when it has one
    std::string author;
    std::string copyright;
    std::string extra;  // unused, empty
};

}  // namespace zvp
