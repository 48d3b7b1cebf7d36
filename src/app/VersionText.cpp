#include "app/VersionText.h"

#include "app/CAppFolder.h"
#include "app/IniDocument.h"

namespace zvp {

std::string GetVersionText(const std::string& iniPath) {
    IniDocument ini;
    if (!ini.LoadExisting(iniPath, IniDocument::LoadMode::kReplace)) return {};
    const IniDocument::Values* section = ini.FindSection("Version");
    if (!section) return {};
    const auto value = [section](const char* name) {
        const auto it = section->find(name);
        return it == section->end() ? std::string() : it->second;
    };
    std::string text = value("Major") + "." + value("Minor") + "." + value("Build");
    if (value("Beta") == "1") text += " beta";
    return text;
}

std::string GetVersionText() {
    const std::string folder = CAppFolder::GetResourceFolder();
    if (folder.empty()) return {};
    return GetVersionText(folder + kVersionIniName);
}

}  // namespace zvp
