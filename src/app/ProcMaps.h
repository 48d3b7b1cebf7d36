#pragma once

#include <cstddef>
#include <cstdint>

namespace zvp {

// One line of /proc/<pid>/maps. The path points into the parsed text and is not
// NUL-terminated; it is empty for anonymous memory and loses a trailing " (deleted)".
struct ProcMapsEntry {
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t offset = 0;
    bool readable = false;
    bool writable = false;
    bool executable = false;
    bool deleted = false;
    const char* path = nullptr;
    size_t pathLength = 0;
};

// Parsing of the maps text. No allocation, locale or locking: safe in a signal handler. Pure
// functions and plain value types; any thread.
class ProcMaps {
  public:
    // Lines longer than this many bytes (without their line end) are skipped whole.
    static constexpr size_t kLineMax = 4096;

    // Parses one line without its line end: "start-end perms offset dev inode [path]", the
    // path running to the end of the line (spaces included). False for a malformed line, an
    // end below the start, or a line longer than kLineMax.
    static bool ParseLine(const char* line, size_t length, ProcMapsEntry* out);

    // Walks the lines of a maps text, skipping those ParseLine refuses.
    class Cursor {
      public:
        Cursor(const char* text, size_t size) : text_(text), size_(size) {}
        bool Next(ProcMapsEntry* out);

      private:
        const char* text_;
        size_t size_;
        size_t pos_ = 0;
    };
};

}  // namespace zvp
