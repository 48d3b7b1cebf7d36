// Feeds arbitrary bytes to the external subtitle file path as the file the user picked: an
// ASS file when the bytes start with '[' (as "[Script Info]" does), else an SRT file, which is
// converted first. The track is then drawn on 64 x 48 YV12 and RGB24 pictures at times
// before, inside and long after any cue.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "SubtitleStage.h"
#include "WriteWholeOrAbort.h"
#include "subtitle/CSubtitleFile.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zvp::fuzz::SubtitleStage stage;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = stage.Folder() + (size > 0 && data[0] == '[' ? "x.ass" : "x.srt");
    WriteWholeOrAbort(file, bytes);
    zvp::SubtitleData picked;
    picked.text = file;
    picked.picked = true;
    if (zvp::OpenSubtitle(zvp::kSubtitleExternal, 0, std::move(picked))) {
        if (zvp::CSubtitleFile::CurrentPath() != file) __builtin_trap();
        for (const int64_t ms : {0, 150, 700, 1000, 2500, 10000, 3600000}) {
            zvp::fuzz::SubtitleStage::Render(ms);
        }
    }
    zvp::ClearSubtitles(zvp::kSubtitleExternal);
    ::unlink(file.c_str());
    return 0;
}
