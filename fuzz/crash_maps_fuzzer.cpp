// Feeds arbitrary bytes to the crash handler's maps parser, its formatter (as the format and
// as a text argument) and its UTF-8 widening.
//
// Checks, besides the sanitizers: a parsed entry's path lies inside the parsed line and its
// end is not below its start; the formatter's length matches its NUL-terminated output and
// stays under the capacity; widening consumes every byte and yields as many units as counted.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/CrashText.h"
#include "app/ProcMaps.h"

namespace {

void CheckEntry(const zvp::ProcMapsEntry& e, const char* text, size_t size) {
    if (e.end < e.start) std::abort();
    if (e.pathLength > 0 && (e.path < text || e.path + e.pathLength > text + size)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);

    zvp::ProcMapsEntry entry;
    if (zvp::ProcMaps::ParseLine(text, size, &entry)) CheckEntry(entry, text, size);
    zvp::ProcMaps::Cursor cursor(text, size);
    while (cursor.Next(&entry)) CheckEntry(entry, text, size);

    const std::string terminated(text, size);
    char out[512];
    size_t n = zvp::FormatCrashText(out, sizeof(out), terminated.c_str(), terminated.c_str(), -7,
                                    0xFFFFFFFFFFFFFFFFULL, 'x', "tail");
    if (n >= sizeof(out) || std::strlen(out) != n) std::abort();
    n = zvp::FormatCrashText(out, sizeof(out), "%s|%-20s|%016llx|%05d", terminated.c_str(),
                             terminated.c_str(), static_cast<unsigned long long>(size),
                             static_cast<int>(size));
    if (n >= sizeof(out) || std::strlen(out) != n) std::abort();
    char tiny[3];
    n = zvp::FormatCrashText(tiny, sizeof(tiny), terminated.c_str(), terminated.c_str());
    if (n >= sizeof(tiny) || std::strlen(tiny) != n) std::abort();

    const size_t units = zvp::CrashUtf16Length(text, size);
    size_t produced = 0;
    size_t done = 0;
    unsigned char wide[64];
    while (done < size) {
        size_t consumed = 0;
        produced +=
            zvp::CrashUtf8ToUtf16Le(text + done, size - done, wide, sizeof(wide), &consumed) / 2;
        if (consumed == 0) std::abort();
        done += consumed;
    }
    if (produced != units) std::abort();
    return 0;
}
