#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "graph/FFmpegPtr.h"

namespace zvp {

// Converts SubRip text to the player's ASS form through libavcodec's SubRip decoder: the
// header below, then one "Dialogue: 0,<start>,<end>,<text>\r\n" line per block that the
// decoder turns into a rectangle, the text being the decoder's ASS text cut before its first
// "</font>".
//
// Blocks: empty lines are skipped, then the lines up to the next empty line form one block:
// an optional counter line, a time line "HH:MM:SS,mmm --> HH:MM:SS,mmm" and the text lines.
// Blocks without a readable time line or text are skipped.
//
// One thread at a time per object; objects are independent.
class CSrtConverter {
  public:
    static constexpr const char* kHeader =
        "[Script Info]\r\nTitle: Zeph Player Auto-Converted Subtitle\r\nCollisions: Normal\r\n"
        "PlayResY: 600\r\n\r\n[V4 Styles]\r\n[Events]\r\nFormat: Marked, Start, End, Text\r\n";

    // A time line: "H:MM:SS,mmm --> H:MM:SS,mmm", optionally followed by the position
    // "X1:a X2:b Y1:c Y2:d" (',' or '.' before the milliseconds).
    struct TimeLine {
        int64_t start_ms = 0;
        int64_t end_ms = 0;
        bool has_position = false;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };

    // Opens the decoder; ok() tells whether it is usable.
    CSrtConverter();
    bool ok() const { return context_ != nullptr; }

    // The dialogue line of one block's text (lines joined with "\n"), or empty when the
    // decoder gives no rectangle.
    std::string ConvertEvent(std::string_view text, const TimeLine& time);

    // Header + dialogue lines of the whole SRT text (UTF-8; lines end with LF, CR LF or CR,
    // mixed as they come). Empty when the decoder is not available.
    std::string Convert(std::string_view srt);

    // False when the line is not a time line.
    static bool ParseTimeLine(std::string_view line, TimeLine& time);

  private:
    AVCodecContextPtr context_;
    AVPacketPtr packet_;
};

}  // namespace zvp
