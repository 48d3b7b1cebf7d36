#pragma once

#include <string>
#include <vector>

namespace zvp {

// The catalogue of skin files and the process-wide choice of skin.
//
// A skin is named by its file's full path, or by kDefaultSkinName for the built-in skin. The
// choice lasts until the process ends and is not stored in the settings, so every start shows
// the built-in skin. UI thread only.
class CSkinning {
  public:
    static constexpr const char* kDefaultSkinName = "__default__";

    // Full paths of the "*.ini" files (ASCII case ignored) in CAppFolder::GetSkins(), sorted
    // by name as the folder search returns them.
    static std::vector<std::string> ListSkins();

    // The name a menu shows for a skin file: its file name without folder and extension.
    static std::string DisplayName(const std::string& path);

    // kDefaultSkinName until SetCurrentSkinName is called.
    static const std::string& CurrentSkinName();
    static void SetCurrentSkinName(std::string name);
};

}  // namespace zvp
