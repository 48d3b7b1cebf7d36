#pragma once

namespace zvp {

// The built-in addresses of the upgrade server and of the maker's web host, each a base URL
// ("https://host[:port]") without a trailing path. The project runs no such hosts, so both are
// empty: without the settings below the upgrade check ends at once.
inline constexpr const char* kUpgradeServerUrl = "";
inline constexpr const char* kUpgradeWebUrl = "";

// Settings that replace them (no defaults; an empty value keeps the built-in address), and a
// PEM bundle that replaces the system's certificate authorities for both.
inline constexpr const char* kUpgradeServerUrlKey = "upgrade::server_url";
inline constexpr const char* kUpgradeWebUrlKey = "upgrade::web_url";
inline constexpr const char* kUpgradeCaFileKey = "upgrade::ca_file";

// Paths on those hosts.
inline constexpr const char* kUpgradeCheckPath = "/upgrade/";
inline constexpr const char* kDownloadPath = "/download/";
inline constexpr const char* kBetaDownloadPath = "/download/beta/";
inline constexpr const char* kWhatsNewPagePath = "/vidra-player/whatsnew.htm";

// The relauncher's file name, in the program folder and (copied) in the Installer folder.
inline constexpr const char* kRelauncherName = "Hopover";

}  // namespace zvp
