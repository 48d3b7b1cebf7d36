#include "ui/CPlayerState.h"

#include <charconv>
#include <cstdint>

#include "app/CAppIni.h"
#include "app/IniDocument.h"

namespace zvp {

namespace {

// The whole of `text` as a decimal integer (an optional '-', then digits).
std::optional<int> ParseWholeInt(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

CPlayerState::Values CPlayerState::Read(const IniDocument& settings, const Values& defaults,
                                        const QList<QRect>& screens) {
    Values values = defaults;
    const IniDocument::Values* section = settings.FindSection(kSection);
    if (!section) return values;
    const auto text = [section](const char* name) -> const std::string* {
        const auto it = section->find(name);
        return it == section->end() ? nullptr : &it->second;
    };
    if (const std::string* volume = text(kVolumeName)) {
        const std::optional<int> value = ParseWholeInt(*volume);
        if (value && *value >= 0 && *value <= 100) values.volume = *value;
    }
    if (const std::string* mute = text(kMuteName); mute && (*mute == "0" || *mute == "1")) {
        values.mute = *mute == "1";
    }
    if (const std::string* window = text(kWindowName)) {
        const std::optional<QRect> rect = ParseRect(*window);
        if (rect && MostlyOnScreen(*rect, screens)) values.window = *rect;
    }
    return values;
}

void CPlayerState::Write(CAppIni& ini, const Values& values) {
    ini.SetInt(kVolumeKey, values.volume);
    ini.SetInt(kMuteKey, values.mute ? 1 : 0);
    if (values.window.isValid()) ini.SetString(kWindowKey, FormatRect(values.window));
}

std::optional<QRect> CPlayerState::ParseRect(std::string_view text) {
    int parts[4];
    for (int i = 0; i < 4; ++i) {
        const size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == 3)) return std::nullopt;
        const std::optional<int> value = ParseWholeInt(text.substr(0, comma));
        if (!value) return std::nullopt;
        parts[i] = *value;
        if (i < 3) text.remove_prefix(comma + 1);
    }
    if (parts[2] <= 0 || parts[3] <= 0) return std::nullopt;
    // Right and bottom edges must stay inside int.
    if (int64_t(parts[0]) + parts[2] > INT32_MAX || int64_t(parts[1]) + parts[3] > INT32_MAX) {
        return std::nullopt;
    }
    return QRect(parts[0], parts[1], parts[2], parts[3]);
}

std::string CPlayerState::FormatRect(const QRect& rect) {
    return std::to_string(rect.x()) + "," + std::to_string(rect.y()) + "," +
           std::to_string(rect.width()) + "," + std::to_string(rect.height());
}

bool CPlayerState::MostlyOnScreen(const QRect& rect, const QList<QRect>& screens) {
    const int64_t area = int64_t(rect.width()) * rect.height();
    if (area <= 0) return false;
    for (const QRect& screen : screens) {
        const QRect on = rect.intersected(screen);
        if (on.isValid() && 2 * int64_t(on.width()) * on.height() >= area) return true;
    }
    return false;
}

}  // namespace zvp
