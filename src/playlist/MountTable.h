#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zvp {

// One line of a mount table (/proc/self/mounts): the source, the mount point and the file
// system type, with the kernel's octal escapes decoded.
struct MountEntry {
    std::string source;
    std::string target;
    std::string type;
};

// The field with every "\ooo" (three octal digits, value below 256: \040 space, \011 tab,
// \012 line feed, \134 backslash) replaced by its byte; anything else is kept as it is.
std::string DecodeMountField(std::string_view field);

// The entries of a mount table's text in line order. Fields are split at spaces and tabs; a
// line with fewer than three fields is skipped. Never fails.
std::vector<MountEntry> ParseMountTable(std::string_view text);

}  // namespace zvp
