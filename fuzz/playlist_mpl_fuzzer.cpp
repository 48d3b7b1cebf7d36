// Feeds arbitrary bytes to the playlist file format, both as a file's content and as the paths
// of a list being saved.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Logger.h"
#include "playlist/CPlaylistFile.h"

namespace {

using Rows = std::vector<std::string>;

// The bytes as a playlist file: whatever they hold, no row holds a line feed, and the rows
// come back unchanged from their own serialization. Returns the rows (nullopt when the bytes
// are not a playlist).
std::optional<Rows> CheckFileContent(std::string_view bytes) {
    std::optional<Rows> rows = zvp::CPlaylistFile::Parse(bytes);
    if (!rows) return rows;
    for (const std::string& row : *rows) {
        if (row.find('\n') != std::string::npos) __builtin_trap();
    }
    const std::optional<Rows> again =
        zvp::CPlaylistFile::Parse(zvp::CPlaylistFile::Serialize(*rows));
    if (!again || *again != *rows) __builtin_trap();
    return rows;
}

// The bytes cut at every 0xFF as the paths of a list being saved: those without LF or NUL
// read back byte for byte (stray bytes included), the others are left out.
void CheckPathBytes(std::string_view bytes) {
    Rows paths(1);
    for (char c : bytes) {
        if (c == '\xFF') {
            paths.emplace_back();
        } else {
            paths.back().push_back(c);
        }
    }
    Rows storable;
    for (const std::string& path : paths) {
        if (path.find('\n') == std::string::npos && path.find('\0') == std::string::npos) {
            storable.push_back(path);
        }
    }
    const std::optional<Rows> back =
        zvp::CPlaylistFile::Parse(zvp::CPlaylistFile::Serialize(paths));
    if (!back || *back != storable) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        zvp::Logger::Instance().SetStdoutOutput(false);
        return true;
    }();
    (void)quiet;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<Rows> rows = CheckFileContent(bytes);
    CheckPathBytes(bytes);

    // Checks of a playlist model filled from `rows` belong here: the rows appended as records,
    // then one sort by each sort id, the model's rows staying a permutation of `rows`.
    (void)rows;
    return 0;
}
