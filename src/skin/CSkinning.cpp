#include "skin/CSkinning.h"

#include <utility>

#include "app/CAppFolder.h"
#include "app/CFileFinder.h"
#include "app/PathParts.h"

namespace zvp {
namespace {

std::string& CurrentName() {
    static std::string name = CSkinning::kDefaultSkinName;
    return name;
}

}  // namespace

std::vector<std::string> CSkinning::ListSkins() {
    CFileFinder finder;
    finder.FindFiles(CAppFolder::GetSkins(), "*.ini", false);
    return finder.files();
}

std::string CSkinning::DisplayName(const std::string& path) {
    return PathParts(path).title();
}

const std::string& CSkinning::CurrentSkinName() {
    return CurrentName();
}

void CSkinning::SetCurrentSkinName(std::string name) {
    CurrentName() = std::move(name);
}

}  // namespace zvp
