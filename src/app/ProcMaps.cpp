#include "app/ProcMaps.h"

namespace zvp {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads hexadecimal digits at `*p` (at least one, at most 16) up to `end`.
bool ReadHex(const char*& p, const char* end, uint64_t* value) {
    uint64_t v = 0;
    int digits = 0;
    while (p < end && HexDigit(*p) >= 0) {
        if (++digits > 16) return false;
        v = (v << 4) | static_cast<uint64_t>(HexDigit(*p));
        ++p;
    }
    *value = v;
    return digits > 0;
}

bool Expect(const char*& p, const char* end, char c) {
    if (p >= end || *p != c) return false;
    ++p;
    return true;
}

// Skips a field of non-space characters; false when it is empty.
bool SkipField(const char*& p, const char* end) {
    const char* start = p;
    while (p < end && *p != ' ') ++p;
    return p > start;
}

}  // namespace

bool ProcMaps::ParseLine(const char* line, size_t length, ProcMapsEntry* out) {
    if (!line || !out || length > kLineMax) return false;
    const char* p = line;
    const char* end = line + length;
    ProcMapsEntry e;
    if (!ReadHex(p, end, &e.start) || !Expect(p, end, '-') || !ReadHex(p, end, &e.end) ||
        !Expect(p, end, ' ') || e.end < e.start) {
        return false;
    }
    if (end - p < 4) return false;
    e.readable = p[0] == 'r';
    e.writable = p[1] == 'w';
    e.executable = p[2] == 'x';
    p += 4;
    if (!Expect(p, end, ' ') || !ReadHex(p, end, &e.offset) || !Expect(p, end, ' ') ||
        !SkipField(p, end) || !Expect(p, end, ' ') || !SkipField(p, end)) {
        return false;
    }
    while (p < end && *p == ' ') ++p;
    e.path = p;
    e.pathLength = static_cast<size_t>(end - p);
    static constexpr char kDeleted[] = " (deleted)";
    constexpr size_t kDeletedLength = sizeof(kDeleted) - 1;
    if (e.pathLength > kDeletedLength) {
        bool match = true;
        for (size_t i = 0; i < kDeletedLength; ++i) {
            if (e.path[e.pathLength - kDeletedLength + i] != kDeleted[i]) {
                match = false;
                break;
            }
        }
        if (match) {
            e.deleted = true;
            e.pathLength -= kDeletedLength;
        }
    }
    *out = e;
    return true;
}

bool ProcMaps::Cursor::Next(ProcMapsEntry* out) {
    while (pos_ < size_) {
        const size_t begin = pos_;
        while (pos_ < size_ && text_[pos_] != '\n') ++pos_;
        const size_t length = pos_ - begin;
        if (pos_ < size_) ++pos_;  // the line end
        if (ParseLine(text_ + begin, length, out)) return true;
    }
    return false;
}

}  // namespace zvp
