#include "app/CAppIni.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/CAppFolder.h"
#include "app/Logger.h"
#include "app/ParseLeadingInt.h"
#include "app/SettingDefaults.h"

namespace zvp {

CAppIni& CAppIni::Instance() {
    // Never destroyed: components may read settings while static objects are torn down.
    static CAppIni* const instance = new CAppIni();
    return *instance;
}

std::vector<std::string_view> CAppIni::SplitKey(std::string_view key) {
    std::vector<std::string_view> tokens;
    while (!key.empty()) {
        const size_t colon = key.find(':');
        const std::string_view token = key.substr(0, colon);
        if (!token.empty()) tokens.push_back(token);
        if (colon == std::string_view::npos) break;
        key.remove_prefix(colon + 1);
    }
    return tokens;
}

std::string CAppIni::GetSettingsPath() const {
    if (!path_.empty()) return path_;
    return CAppFolder::GetBase() + "zvp_data.ini";
}

bool CAppIni::GetDefault(std::string_view key, std::string& out) {
    out.clear();
    const std::vector<std::string_view> wanted = SplitKey(key);
    if (wanted.size() < 2) return false;
    const IniNameLess less;
    const auto same = [&less](std::string_view a, std::string_view b) {
        a = IniDocument::Trim(a);
        b = IniDocument::Trim(b);
        return !less(a, b) && !less(b, a);
    };
    for (const char* entry : SettingDefaults) {
        const std::vector<std::string_view> tokens = SplitKey(entry);
        if (tokens.size() < 2 || !same(tokens[0], wanted[0]) || !same(tokens[1], wanted[1])) {
            continue;
        }
        if (tokens.size() < 3) return false;
        out.assign(tokens[2]);
        return true;
    }
    return false;
}

void CAppIni::ResetToDefaults() {
    for (const char* entry : SettingDefaults) {
        const std::vector<std::string_view> tokens = SplitKey(entry);
        if (tokens.size() >= 3) document_.SetValue(tokens[0], tokens[1], tokens[2]);
    }
}

bool CAppIni::Reload() {
    const std::string path = GetSettingsPath();
    ResetToDefaults();
    const bool loaded = document_.Load(path, IniDocument::LoadMode::kMerge);
    const int err = errno;
    struct stat info {};
    unreadable_ = !loaded && ::stat(path.c_str(), &info) == 0;
    Log(LogPoint{"CAppIni::Reload", kLogInfo}, "App ini file loaded, %s", path.c_str());
    if (!loaded) {
        Log(LogPoint{"CAppIni::Reload", kLogInfo}, "Cannot load app ini file: %s",
            std::strerror(err));
    }
    return loaded;
}

bool CAppIni::Save() {
    const std::string path = GetSettingsPath();
    if (unreadable_) {
        Log(LogPoint{"CAppIni::Save", kLogInfo}, "Cannot save app ini file: %s",
            "the file on disk could not be read, so it is not replaced");
        return false;
    }
    if (!document_.Save(path)) {
        Log(LogPoint{"CAppIni::Save", kLogInfo}, "Cannot save app ini file: %s",
            std::strerror(errno));
        return false;
    }
    Log(LogPoint{"CAppIni::Save", kLogInfo}, "App ini file saved: %s", path.c_str());
    return true;
}

bool CAppIni::GetString(std::string_view key, std::string& out, bool defaultsOnly) const {
    out.clear();
    const std::vector<std::string_view> tokens = SplitKey(key);
    if (tokens.size() < 2) return false;
    if (!defaultsOnly) {
        if (const std::string* value = document_.FindValue(tokens[0], tokens[1])) {
            out = *value;
            return true;
        }
    }
    return GetDefault(key, out);
}

std::string CAppIni::GetString(std::string_view key, bool defaultsOnly) const {
    std::string out;
    GetString(key, out, defaultsOnly);
    return out;
}

int CAppIni::GetInt(std::string_view key, bool defaultsOnly) const {
    std::string text;
    if (!GetString(key, text, defaultsOnly)) return 0;
    return ParseLeadingInt(text);
}

bool CAppIni::ParseColor(std::string_view text, uint32_t& color) {
    color = 0;
    if (text.empty()) return false;
    uint32_t rgb = 0;
    size_t significant = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        if (rgb != 0 || digit != 0) ++significant;
        if (significant > 8) return false;  // beyond 32 bits
        rgb = (rgb << 4) | static_cast<uint32_t>(digit);
    }
    color = MakeColor(static_cast<uint8_t>((rgb >> 16) & 0xFF),
                      static_cast<uint8_t>((rgb >> 8) & 0xFF), static_cast<uint8_t>(rgb & 0xFF));
    return true;
}

uint32_t CAppIni::GetColor(std::string_view key, bool defaultsOnly) const {
    std::string text;
    if (!GetString(key, text, defaultsOnly)) return 0;
    uint32_t color = 0;
    ParseColor(text, color);
    return color;
}

bool CAppIni::SetString(std::string_view key, std::string_view text) {
    const std::vector<std::string_view> tokens = SplitKey(key);
    if (tokens.size() < 2) return false;
    if (!document_.SetValue(tokens[0], tokens[1], text)) {
        Log(LogPoint{"CAppIni::SetString", kLogInfo}, "Cannot store the value of %.*s",
            static_cast<int>(key.size()), key.data());
        return false;
    }
    return true;
}

bool CAppIni::SetInt(std::string_view key, int value) {
    return SetString(key, std::to_string(value));
}

bool CAppIni::SetColor(std::string_view key, uint32_t color) {
    char text[8];
    std::snprintf(text, sizeof(text), "%.2x%.2x%.2x", ColorRed(color), ColorGreen(color),
                  ColorBlue(color));
    return SetString(key, text);
}

}  // namespace zvp
