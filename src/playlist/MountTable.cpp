#include "playlist/MountTable.h"

namespace zvp {

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string DecodeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3]) && field[i + 1] <= '3') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> entries;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        std::string_view fields[3];
        int count = 0;
        size_t at = 0;
        while (count < 3) {
            while (at < line.size() && IsBlank(line[at])) ++at;
            if (at == line.size()) break;
            const size_t start = at;
            while (at < line.size() && !IsBlank(line[at])) ++at;
            fields[count++] = line.substr(start, at - start);
        }
        if (count < 3) continue;
        entries.push_back({DecodeMountField(fields[0]), DecodeMountField(fields[1]),
                           DecodeMountField(fields[2])});
    }
    return entries;
}

}  // namespace zvp
