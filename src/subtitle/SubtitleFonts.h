#pragma once

#include <string>
#include <vector>

namespace zvp {

class ISubtitleHost;

// Font choice for the subtitle renderer, answered by fontconfig. Fallback order: the face
// configured in "subtitle::font_name" -> the system default (fontconfig's match for
// "sans-serif" in the current locale) -> any TrueType/OpenType file fontconfig lists.
// Every function may be called from any thread (fontconfig locks internally); none throws.

// Starts fontconfig (reads its configuration and caches) if nothing has yet, so that a
// later lookup on the UI thread finds it ready. A loading thread calls it.
void WarmFontLookups();

// The font file for subtitles, following the order above. When "subtitle::font_name" is
// empty and the system default file exists, the default family name is stored as the new
// setting (through `host`). Empty only when the system has no usable font at all.
std::string get_app_font_file(ISubtitleHost& host);

// The system default font file: fontconfig's match for "sans-serif"; when that file does not
// exist, the first TrueType/OpenType file fontconfig lists (sorted by path). Empty when none.
std::string GetSystemDefaultFontFile();

// The family name of the system default font; "Arial" when fontconfig matches nothing.
std::string GetDefaultFontName();

// Looks up the installed face of family `name` (ASCII case ignored). With `bold`, a bold face
// of the family is looked for first. On success `face` receives "<family>" or
// "<family> Bold" and `file` the font file's full path.
bool GetFontFile(const std::string& name, bool bold, std::string& face, std::string& file);

// The English family name (language "en") of the installed family called `name` in any
// language; empty when no installed family has that name or it has no English name.
std::string GetEnglishFontName(const std::string& name);

// The family names offered for subtitles: one per installed family of outline faces in
// TrueType or CFF format that are not symbol fonts, each its English name where the family
// has one (the name GetFontFile resolves), else its first name. Names starting with "@"
// (vertical variants) are left out. No two names equal ignoring ASCII case; sorted ignoring
// ASCII case. Empty when fontconfig cannot start.
std::vector<std::string> ListFontFamilies();

}  // namespace zvp
