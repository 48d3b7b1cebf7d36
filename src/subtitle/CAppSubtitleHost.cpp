#include "subtitle/CAppSubtitleHost.h"

#include <chrono>
#include <cstdlib>

#include "app/CAppIni.h"
#include "app/SubtitleFiles.h"
#include "app/TextDecoder.h"

namespace zvp {

namespace {

std::optional<std::string> ReadColor(const CAppIni& ini, std::string_view key) {
    std::string text;
    if (!ini.GetString(key, text)) return std::nullopt;
    return text;
}

}  // namespace

SubtitleSettings CAppSubtitleHost::ReadSettings() {
    const CAppIni& ini = CAppIni::Instance();
    SubtitleSettings s;
    ini.GetString("subtitle::font_name", s.font_name);
    s.font_size = ini.GetInt("subtitle::font_size");
    s.font_border_size = ini.GetInt("subtitle::font_border_size");
    s.primary_color = ReadColor(ini, "subtitle::primary_text_color");
    s.secondary_color = ReadColor(ini, "subtitle::secondary_text_color");
    s.outline_color = ReadColor(ini, "subtitle::outline_color");
    s.shadow_color = ReadColor(ini, "subtitle::shadow_color");
    ini.GetString("settings::default_subtitle_path", s.default_subtitle_path);
    return s;
}

void CAppSubtitleHost::StoreFontName(const std::string& name) {
    CAppIni& ini = CAppIni::Instance();
    if (ini.SetString("subtitle::font_name", name)) ini.Save();
}

std::vector<std::string> CAppSubtitleHost::FindCandidates(const std::string& mediaPath) {
    std::vector<std::string> list;
    FindSubtitleFiles(mediaPath, list);
    return list;
}

std::string CAppSubtitleHost::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string CAppSubtitleHost::DecodeText(std::string_view bytes) {
    return TextDecoder::LegacyToUtf8(bytes);
}

int64_t CAppSubtitleHost::TickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace zvp
