// Feeds arbitrary bytes to the SRT conversion as if they were a decoded subtitle file, and to
// the helpers that rewrite embedded dialogue text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Logger.h"
#include "subtitle/CSrtConverter.h"
#include "subtitle/CSubtitleAss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zvp::CSrtConverter* converter = [] {
        zvp::Logger::Instance().SetStdoutOutput(false);
        return new zvp::CSrtConverter();
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string ass = converter->Convert(text);
    if (ass.rfind(zvp::CSrtConverter::kHeader, 0) != 0) __builtin_trap();

    const std::string lines = zvp::CSubtitleAss::ToDialogueLines(text, 1000, 2000);
    std::string name = zvp::CSubtitleAss::StyleNameOf(lines);
    std::string guarded(text);
    zvp::CSubtitleAss::ApplySizeGuard(guarded, 30.0);
    if (guarded.size() > size) __builtin_trap();
    return 0;
}
