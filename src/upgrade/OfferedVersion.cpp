#include "upgrade/OfferedVersion.h"

#include "app/InstallerName.h"

namespace zvp {

bool IsBetaVersion(std::string_view versionText) {
    return versionText.ends_with("beta");
}

bool IsOfferedVersionNewer(std::string_view versionText, std::string_view installerName) {
    const std::optional<InstallerName> offered = ParseInstallerName(installerName);
    if (!offered) return false;
    if (versionText.ends_with(" beta")) versionText.remove_suffix(5);
    // Only the first three parts count ("2.0.17.4" runs as 2.0.17).
    size_t dots = 0;
    size_t end = 0;
    while (end < versionText.size() && !(versionText[end] == '.' && ++dots == 3)) ++end;
    std::array<uint32_t, 3> running{};
    if (!ParseVersionTriple(versionText.substr(0, end), running)) return false;
    return offered->version > running;
}

}  // namespace zvp
