#pragma once

#include <string>

namespace zvp {

// The version INI of the program: "ZVP.ini", written by the build
// (cmake/ZvpVersionIni.cmake) with section "Version" and the values Major, Minor, Build and
// Beta ("1" for a beta).
inline constexpr const char* kVersionIniName = "ZVP.ini";

// The version text from the version INI at `iniPath`: "<Major>.<Minor>.<Build>", each part
// exactly as written (missing parts empty), followed by " beta" when Beta is "1". Empty when
// the file or its section "Version" is missing. Never creates or changes the file.
// Stateless; any thread.
std::string GetVersionText(const std::string& iniPath);

// GetVersionText of CAppFolder::GetResourceFolder() + kVersionIniName (beside the program in
// the build tree, share/zvp/ when installed); empty when the program's folder is unknown.
std::string GetVersionText();

}  // namespace zvp
