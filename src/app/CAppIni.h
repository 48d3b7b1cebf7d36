#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/IniDocument.h"

namespace zvp {

// Colours in the settings use the platform colour layout: red in the low byte, then green,
// then blue (0x00BBGGRR).
constexpr uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16);
}
constexpr uint8_t ColorRed(uint32_t color) {
    return uint8_t(color & 0xFF);
}
constexpr uint8_t ColorGreen(uint32_t color) {
    return uint8_t((color >> 8) & 0xFF);
}
constexpr uint8_t ColorBlue(uint32_t color) {
    return uint8_t((color >> 16) & 0xFF);
}

// The user's settings: typed values under keys "section::name", held in memory and written
// to the settings file (zvp_data.ini in the base folder) by Save. A value missing from the
// document is answered from SettingDefaults.
//
// Key: split at every ':' with empty tokens dropped; the first token is the section, the
// second the value name; fewer than two tokens is an invalid key (reads fail, writes do
// nothing and return false).
//
// Thread: the UI thread reads and writes the settings; the object takes no lock.
// Callers change a value with a Set call followed at once by Save().
class CAppIni {
  public:
    // The settings file in the application base folder, computed at each Reload.
    CAppIni() = default;
    // A settings store on an explicit file (tests, tools).
    explicit CAppIni(std::string path) : path_(std::move(path)) {}

    // The process-wide settings object; lives until process exit.
    static CAppIni& Instance();

    // Fills the document with the defaults, then merges the settings file into it (creating
    // the file empty when it does not exist). Logs "App ini file loaded, %s". Returns false
    // when the file could not be read or created; the document stays usable.
    bool Reload();

    // Writes the document over the settings file (temporary file + rename). Returns false,
    // with the previous file unchanged, when it cannot be written, and also when the last
    // Reload found the file present but unreadable (so the user's file is not replaced by
    // one they never saw).
    bool Save();

    // The value from the document, else the default. `defaultsOnly` answers from the default
    // table only. False (and `out` empty) when neither has the key.
    bool GetString(std::string_view key, std::string& out, bool defaultsOnly = false) const;
    std::string GetString(std::string_view key, bool defaultsOnly = false) const;
    // The value read by ParseLeadingInt; 0 when not found.
    int GetInt(std::string_view key, bool defaultsOnly = false) const;
    // Six hexadecimal digits RRGGBB (any case) as a platform colour; 0 when not found or the
    // text is not entirely hexadecimal.
    uint32_t GetColor(std::string_view key, bool defaultsOnly = false) const;

    // Creates the section when missing, creates or replaces the value. False for an invalid
    // key or a text the file cannot hold (a line break).
    bool SetString(std::string_view key, std::string_view text);
    bool SetInt(std::string_view key, int value);         // "%d"
    bool SetColor(std::string_view key, uint32_t color);  // "%.2x%.2x%.2x" of R, G, B

    // Writes every default-table entry that has a default into the document.
    void ResetToDefaults();

    // The full path of the settings file.
    std::string GetSettingsPath() const;

    const IniDocument& document() const { return document_; }

    // The default of `key`, if the table has one.
    static bool GetDefault(std::string_view key, std::string& out);

    // Splits `key` at ':' with empty tokens dropped.
    static std::vector<std::string_view> SplitKey(std::string_view key);

    // Parses a colour text as GetColor does; false when not entirely hexadecimal.
    static bool ParseColor(std::string_view text, uint32_t& color);

  private:
    std::string path_;  // empty: the base folder's settings file
    IniDocument document_;
    bool unreadable_ = false;  // the last Reload found the file but could not read it
};

}  // namespace zvp
