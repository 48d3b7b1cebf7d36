#include "skin/SkinFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <vector>

#include "app/CAppIni.h"
#include "app/CStdioFileEx.h"
#include "app/Logger.h"
#include "app/ParseLeadingInt.h"
#include "app/PathParts.h"
#include "skin/BuiltinSkin.h"

namespace zvp {
namespace {

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The entry of `folder` whose name equals `name` ignoring case (the first in byte order when
// several do), or empty.
std::string FindIgnoringCase(const std::string& folder, std::string_view name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string candidate = entry->d_name;
        if (candidate == "." || candidate == "..") continue;
        if (QString::fromStdString(candidate).compare(wanted, Qt::CaseInsensitive) != 0) continue;
        if (found.empty() || candidate < found) found = candidate;
    }
    ::closedir(dir);
    return found;
}

const std::string* FindValue(const IniDocument::Values& values, std::string_view key) {
    const auto it = values.find(key);
    return it == values.end() ? nullptr : &it->second;
}

// Reads the geometry keys and the kind's own keys of one present section.
class SectionReader {
  public:
    SectionReader(std::string_view section, const IniDocument::Values& values,
                  const std::string& folder)
        : section_(section), values_(values), folder_(folder) {}

    int Int(std::string_view key) const {
        const std::string* text = FindValue(values_, key);
        return text ? ParseSkinInt(section_, key, *text) : 0;
    }
    std::optional<uint32_t> Color(std::string_view key) const {
        const std::string* text = FindValue(values_, key);
        return text ? ParseSkinColor(*text) : std::nullopt;
    }
    SkinImageSource Image(std::string_view key) const {
        SkinImageSource source;
        if (const std::string* text = FindValue(values_, key)) {
            source.file = ResolveSkinFile(folder_, *text);
        }
        return source;
    }

  private:
    std::string_view section_;
    const IniDocument::Values& values_;
    const std::string& folder_;
};

}  // namespace

bool ReadSkinFile(const std::string& path, IniDocument& document) {
    document.Clear();
    struct stat info {};
    CStdioFileEx file;
    // The size and kind are checked before any byte is read; the reader refuses the rest.
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) > kMaxSkinFileSize ||
        !file.Open(path, CStdioFileEx::modeRead)) {
        Log(LogPoint{"ReadSkinFile", kLogInfo}, "Cannot read skin file: %s", path.c_str());
        return false;
    }
    std::string text;
    std::string line;
    while (file.ReadString(line)) {
        text += line;
        text += '\n';
    }
    document.Parse(text, IniDocument::LoadMode::kReplace);
    std::vector<std::string> names;
    for (const auto& section : document.sections()) names.push_back(section.first);
    for (const std::string& name : names) {
        for (auto& [key, value] : document.AddSection(name)) {
            value = std::string(IniDocument::Trim(value));
        }
    }
    return true;
}

int ParseSkinInt(std::string_view section, std::string_view key, std::string_view text) {
    const int value = ParseLeadingInt(text);
    if (value > kMaxSkinValue || value < -kMaxSkinValue) {
        Log(LogPoint{"ParseSkinInt", kLogInfo}, "Skin value out of range: [%.*s] %.*s",
            static_cast<int>(section.size()), section.data(), static_cast<int>(key.size()),
            key.data());
        return value > 0 ? kMaxSkinValue : -kMaxSkinValue;
    }
    return value;
}

std::optional<uint32_t> ParseSkinColor(std::string_view text) {
    const std::vector<std::string_view> parts = SplitAt(text, ',');
    if (parts.size() != 3) return std::nullopt;
    uint8_t rgb[3];
    for (size_t i = 0; i < 3; ++i) {
        rgb[i] = static_cast<uint8_t>(std::clamp(ParseLeadingInt(parts[i]), 0, 255));
    }
    return MakeColor(rgb[0], rgb[1], rgb[2]);
}

SkinRect ParseSkinPiece(std::string_view section, std::string_view key, std::string_view text) {
    const std::vector<std::string_view> parts = SplitAt(text, ',');
    if (parts.size() < 4) return {};
    return {ParseSkinInt(section, key, parts[0]), ParseSkinInt(section, key, parts[1]),
            ParseSkinInt(section, key, parts[2]), ParseSkinInt(section, key, parts[3])};
}

std::string ResolveSkinFile(const std::string& folder, std::string_view value) {
    if (value.empty()) return {};
    std::string relative(value);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string direct = folder + relative;
    if (Exists(direct)) return direct;

    std::string path = folder;
    const std::vector<std::string_view> parts = SplitAt(relative, '/');
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (part.empty()) continue;
        std::string next = path + std::string(part);
        if (part != "." && part != ".." && !Exists(next)) {
            const std::string match = FindIgnoringCase(path, part);
            if (match.empty()) return direct;
            next = path + match;
        }
        path = std::move(next);
        if (i + 1 < parts.size()) path += '/';
    }
    return path;
}

std::optional<SkinCtrlValues> ParseCtrlSection(const IniDocument& document,
                                               std::string_view section, SkinCtrlKind kind,
                                               const std::string& folder) {
    const IniDocument::Values* values = document.FindSection(section);
    if (!values) return std::nullopt;
    const SectionReader read(section, *values, folder);
    SkinCtrlValues ctrl;
    ctrl.image = read.Image("image");
    ctrl.imagePieces = read.Int("image_pieces");
    if (ctrl.imagePieces <= 0) ctrl.imagePieces = 4;
    ctrl.width = read.Int("width");
    ctrl.height = read.Int("height");
    ctrl.left = read.Int("left");
    ctrl.top = read.Int("top");
    ctrl.right = read.Int("right");
    ctrl.bottom = read.Int("bottom");
    switch (kind) {
        case SkinCtrlKind::kSlider:
            ctrl.horizontal = read.Int("horz") != 0;
            ctrl.boxImage = read.Image("box_image");
            break;
        case SkinCtrlKind::kSizer:
            ctrl.boxImage = read.Image("box_image");
            ctrl.boxPieces = std::max(read.Int("box_pieces"), 0);
            ctrl.backgroundColor = read.Color("background_color").value_or(kSizerBackgroundColor);
            break;
        case SkinCtrlKind::kString: {
            const int fontWidth = read.Int("font_width");
            const int fontHeight = read.Int("font_height");
            if (fontWidth != 0 && fontHeight != 0) {
                ctrl.fontWidth = fontWidth;
                ctrl.fontHeight = fontHeight;
            }
            ctrl.textColor = read.Color("text_color");
            ctrl.textFocusColor = read.Color("text_focus_color");
            ctrl.backgroundColor = read.Color("background_color");
            break;
        }
        case SkinCtrlKind::kList:
            ctrl.textColor = read.Color("text_color");
            ctrl.textBackgroundColor = read.Color("text_background_color");
            ctrl.textErrorColor = read.Color("text_error_color");
            ctrl.textHighlightColor = read.Color("text_highlight_color");
            ctrl.textHighlightBackgroundColor = read.Color("text_highlight_background_color");
            break;
        case SkinCtrlKind::kButton:
        case SkinCtrlKind::kCheck:
        case SkinCtrlKind::kScreen:
            break;
    }
    return ctrl;
}

std::optional<SkinWindowValues> ParseWindowSection(const IniDocument& document,
                                                   const std::string& folder) {
    const IniDocument::Values* values = document.FindSection(kWindowSection);
    if (!values) return std::nullopt;
    SkinWindowValues window;
    window.image = SectionReader(kWindowSection, *values, folder).Image("image");
    for (int i = 0; i < kFramePieceCount; ++i) {
        if (const std::string* text = FindValue(*values, kFramePieceKeys[i])) {
            window.pieces[i] = ParseSkinPiece(kWindowSection, kFramePieceKeys[i], *text);
        }
    }
    return window;
}

const SkinCtrlValues* SkinDefinition::FindCtrl(std::string_view section) const {
    const auto it = controls.find(section);
    return it == controls.end() ? nullptr : &it->second;
}

std::optional<SkinDefinition> ParseSkinDefinition(const IniDocument& document,
                                                  const std::string& folder) {
    std::optional<SkinWindowValues> window = ParseWindowSection(document, folder);
    if (!window) return std::nullopt;
    SkinDefinition skin;
    skin.window = std::move(*window);
    if (const IniDocument::Values* values = document.FindSection(kFullScreenWindowSection)) {
        skin.fullScreenImage =
            SectionReader(kFullScreenWindowSection, *values, folder).Image("image");
    }
    const auto add = [&](const SkinSection& section) {
        if (std::optional<SkinCtrlValues> ctrl =
                ParseCtrlSection(document, section.name, section.kind, folder)) {
            skin.controls.emplace(section.name, std::move(*ctrl));
        }
    };
    for (const SkinSection& section : kMainWindowSections) add(section);
    for (const SkinSection& section : kFullScreenSections) add(section);
    return skin;
}

std::optional<SkinDefinition> ReadSkinDefinition(const std::string& path) {
    IniDocument document;
    if (!ReadSkinFile(path, document)) return std::nullopt;
    std::optional<SkinDefinition> skin = ParseSkinDefinition(document, PathParts(path).Folder());
    if (!skin) {
        Log(LogPoint{"ReadSkinDefinition", kLogInfo}, "Skin file has no window section: %s",
            path.c_str());
    }
    return skin;
}

}  // namespace zvp
