#pragma once

#include <map>
#include <string>
#include <string_view>

namespace zvp {

// Orders names by ASCII letters without regard to case (bytes above 0x7F compare as they are).
struct IniNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// An INI file in memory: sections, each holding named values. Section and value names are
// trimmed of surrounding spaces and tabs whenever they are added or looked up, compared
// without regard to ASCII case and kept sorted in that order; value texts are stored exactly
// as given. Comments are not kept.
//
// Text is UTF-8. Not thread-safe: one thread at a time.
class IniDocument {
  public:
    using Values = std::map<std::string, std::string, IniNameLess>;
    using Sections = std::map<std::string, Values, IniNameLess>;

    enum class LoadMode { kReplace, kMerge };

    // Reads `path` through CStdioFileEx (UTF-16LE with mark, UTF-8, or a detected legacy code
    // page). When the file does not exist it is created empty. Returns false, leaving the
    // document unchanged, when the file cannot be read or created.
    bool Load(const std::string& path, LoadMode mode);

    // Like Load, but never creates the file: returns false, with errno ENOENT and the document
    // unchanged, when it does not exist.
    bool LoadExisting(const std::string& path, LoadMode mode);

    // Parses `text` (UTF-8, lines ended by LF or CR LF) into the document. kReplace clears it
    // first; kMerge keeps what is there and lets values read from the text replace it.
    // Lines: "[name]" opens a section; "name=value" sets a value in the current section
    // (ignored before the first section; the value is everything after the first "=");
    // "#..." and anything else are ignored.
    void Parse(std::string_view text, LoadMode mode);

    // The document in file form: UTF-16LE with the mark FF FE, "[section]" CR LF, then
    // "name=value" CR LF for each value, sections and values in sorted order.
    std::string Serialize() const;

    // Writes Serialize() to `path` through a temporary file renamed over it, so a failure
    // leaves the previous file intact. Returns false on failure (errno set).
    bool Save(const std::string& path) const;

    // The section, or null.
    const Values* FindSection(std::string_view section) const;
    // The section, added when missing.
    Values& AddSection(std::string_view section);
    // The value text, or null.
    const std::string* FindValue(std::string_view section, std::string_view name) const;

    // Adds the section when missing, then creates or replaces the value. Refuses (returns
    // false) what the file form could not give back: an empty name, a value name holding
    // "=", or a line break in either name or the value.
    bool SetValue(std::string_view section, std::string_view name, std::string_view value);

    void Clear() { sections_.clear(); }
    const Sections& sections() const { return sections_; }

    // Spaces and tabs removed from both ends.
    static std::string_view Trim(std::string_view text);

  private:
    // Applies one line (line feed removed); `current` is the current section or null.
    void ParseLine(std::string_view line, Values*& current);

    Sections sections_;
};

}  // namespace zvp
