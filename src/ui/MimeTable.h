#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zvp {

// The media types the player claims (resources/mime-types.txt, compiled into zvp_ui as
// ":/desktop/mime-types.txt"): the desktop entry's MimeType, MPRIS SupportedMimeTypes and the
// files a folder argument adds. The compiled-in table is read once, on first use, and never
// changes; any thread (the resource needs no QCoreApplication).
class MimeTable {
  public:
    struct Row {
        std::string type;
        std::vector<std::string> extensions;  // lower case, without dots
    };

    // Parses "type ext ext..." lines; blank lines and lines starting with '#' are skipped,
    // as is a line without a '/' in its type.
    static std::vector<Row> Parse(std::string_view text);

    // The compiled-in table, read once.
    static const std::vector<Row>& Rows();
    // Every type of the table, in table order, each once.
    static std::vector<std::string> Types();
    // Whether `extension` (without dot, ASCII case ignored) is one of the table's.
    static bool HasExtension(std::string_view extension);
};

}  // namespace zvp
