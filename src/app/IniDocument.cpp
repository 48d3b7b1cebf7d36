#include "app/IniDocument.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "app/AtomicFileWriter.h"
#include "app/CStdioFileEx.h"
#include "app/TextDecoder.h"

namespace zvp {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsBlankOrBreak(char c) {
    return IsBlank(c) || c == '\r' || c == '\n';
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Creates `path` empty when it does not exist; false when it cannot.
bool CreateEmptyFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

bool IniNameLess::operator()(std::string_view a, std::string_view b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

std::string_view IniDocument::Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IniDocument::Load(const std::string& path, LoadMode mode) {
    if (LoadExisting(path, mode)) return true;
    if (errno != ENOENT || !CreateEmptyFile(path)) return false;
    return LoadExisting(path, mode);
}

bool IniDocument::LoadExisting(const std::string& path, LoadMode mode) {
    CStdioFileEx file;
    if (!file.Open(path, CStdioFileEx::modeRead)) return false;
    if (mode == LoadMode::kReplace) sections_.clear();
    Values* current = nullptr;
    std::string line;
    while (file.ReadString(line)) ParseLine(line, current);
    return true;
}

void IniDocument::Parse(std::string_view text, LoadMode mode) {
    if (mode == LoadMode::kReplace) sections_.clear();
    Values* current = nullptr;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        ParseLine(text.substr(0, end), current);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

void IniDocument::ParseLine(std::string_view line, Values*& current) {
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.empty()) return;

    std::string_view body = line;
    while (!body.empty() && IsBlankOrBreak(body.back())) body.remove_suffix(1);
    if (line.front() == '[' && body.size() >= 2 && body.back() == ']') {
        current = &AddSection(body.substr(1, body.size() - 2));
        return;
    }
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos && equals != 0) {
        if (!current) return;  // a value before the first section
        const std::string_view name = Trim(line.substr(0, equals));
        const std::string_view value = line.substr(equals + 1);
        if (name.empty() || HasLineBreak(name) || HasLineBreak(value)) return;
        (*current)[std::string(name)] = std::string(value);
        return;
    }
    // Comments ("#...") and anything else are dropped.
}

std::string IniDocument::Serialize() const {
    std::string text;
    for (const auto& [section, values] : sections_) {
        text += '[';
        text += section;
        text += "]\r\n";
        for (const auto& [name, value] : values) {
            text += name;
            text += '=';
            text += value;
            text += "\r\n";
        }
    }
    return "\xFF\xFE" + TextDecoder::Utf8ToUtf16Le(text);
}

bool IniDocument::Save(const std::string& path) const {
    return AtomicFileWriter::WriteFile(path, Serialize());
}

const IniDocument::Values* IniDocument::FindSection(std::string_view section) const {
    const auto it = sections_.find(Trim(section));
    return it == sections_.end() ? nullptr : &it->second;
}

IniDocument::Values& IniDocument::AddSection(std::string_view section) {
    section = Trim(section);
    auto it = sections_.find(section);
    if (it == sections_.end()) it = sections_.emplace(std::string(section), Values()).first;
    return it->second;
}

const std::string* IniDocument::FindValue(std::string_view section, std::string_view name) const {
    const Values* values = FindSection(section);
    if (!values) return nullptr;
    const auto it = values->find(Trim(name));
    return it == values->end() ? nullptr : &it->second;
}

bool IniDocument::SetValue(std::string_view section, std::string_view name,
                           std::string_view value) {
    section = Trim(section);
    name = Trim(name);
    if (name.empty() || name.find('=') != std::string_view::npos || HasLineBreak(name) ||
        HasLineBreak(section) || HasLineBreak(value)) {
        return false;
    }
    // "[name=value]" would come back as a section line.
    if (name.front() == '[') {
        std::string_view tail = value;
        while (!tail.empty() && IsBlank(tail.back())) tail.remove_suffix(1);
        if (!tail.empty() && tail.back() == ']') return false;
    }
    Values& values = AddSection(section);
    const auto it = values.find(name);
    if (it == values.end()) {
        values.emplace(std::string(name), std::string(value));
    } else {
        it->second.assign(value);
    }
    return true;
}

}  // namespace zvp
