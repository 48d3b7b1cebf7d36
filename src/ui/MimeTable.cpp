#include "ui/MimeTable.h"

#include <QFile>
#include <algorithm>
#include <cctype>
#include <sstream>

#include "engine/AsciiCase.h"

namespace zvp {

std::vector<MimeTable::Row> MimeTable::Parse(std::string_view text) {
    std::vector<Row> rows;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Row row;
        if (!(fields >> row.type) || row.type[0] == '#') continue;
        if (row.type.find('/') == std::string::npos) continue;
        std::string extension;
        while (fields >> extension) {
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            row.extensions.push_back(extension);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

const std::vector<MimeTable::Row>& MimeTable::Rows() {
    static const std::vector<Row> rows = [] {
        QFile file(QStringLiteral(":/desktop/mime-types.txt"));
        if (!file.open(QIODevice::ReadOnly)) return std::vector<Row>{};
        return Parse(file.readAll().toStdString());
    }();
    return rows;
}

std::vector<std::string> MimeTable::Types() {
    std::vector<std::string> types;
    for (const Row& row : Rows()) {
        if (std::find(types.begin(), types.end(), row.type) == types.end()) {
            types.push_back(row.type);
        }
    }
    return types;
}

bool MimeTable::HasExtension(std::string_view extension) {
    for (const Row& row : Rows()) {
        for (const std::string& known : row.extensions) {
            if (EqualsIgnoringAsciiCase(known, extension)) return true;
        }
    }
    return false;
}

}  // namespace zvp
