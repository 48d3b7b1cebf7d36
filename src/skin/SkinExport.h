#pragma once

#include <string>

namespace zvp {

// The file name the built-in skin is written under by ExportBuiltinSkin.
inline constexpr const char* kExportedSkinFile = "Default-copy.ini";

// Writes the built-in skin as a skin file a skin author can start from: `folder`/
// Default-copy.ini naming every key the main window reads (the frame's fourteen pieces, then
// each control section's strip, geometry and colours) and, beside it, each piece of built-in
// art as a PNG strip (<id>-<role>.png) at its logical size. The folder is created when
// missing; files already there are replaced. Loaded with LoadSkinFile, the result looks as
// the built-in skin does. False, with a log line, when a file cannot be written. Needs a
// QGuiApplication (the art is rendered into pixmaps); UI thread only.
bool ExportBuiltinSkin(const std::string& folder);

}  // namespace zvp
