#pragma once

#include <string_view>

namespace zvp {

// Whether the installer `installerName` (as the server sent it) is newer than the running
// `versionText` ("2.0.17", "2.0.17 beta"). The name must pass ParseInstallerName; its
// (major, minor, build) is compared with the running one's in that order. A running version
// without three numbers is never older. Stateless; any thread.
bool IsOfferedVersionNewer(std::string_view versionText, std::string_view installerName);

// Whether the running version is a beta ("... beta"): its last four characters are "beta".
bool IsBetaVersion(std::string_view versionText);

}  // namespace zvp
