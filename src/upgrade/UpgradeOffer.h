#pragma once

#include <string>

namespace zvp {

// Where the upgrade check looks and what it may do. Filled on the UI thread (from the
// settings) and handed to the worker by value.
struct UpgradeConfig {
    std::string serverUrl;        // base URL of the upgrade server; empty: no check
    std::string webUrl;           // base URL of the download and What's New pages
    std::string caFile;           // PEM bundle replacing the system's; empty: the system's
    std::string programFolder;    // holds the relauncher; ends in "/"
    std::string installerFolder;  // ends in "/"; empty: CAppFolder::GetInstaller()
    std::string productName = "Zeph Vidra Player";
    std::string productAbbreviation = "ZVP";
    // Lets the installer come over plain http://. Only tests set it, in process.
    bool allowPlainHttpForTest = false;
    // The check request's limits.
    int checkConnectMs = 60000;
    int checkStallMs = 30000;
    size_t checkBodyCap = 4096;
    // The download's limits.
    uint64_t downloadMaxBytes = 256ull * 1024 * 1024;
    int downloadStallMs = 30000;
    int downloadTotalMs = 30 * 60 * 1000;
};

// A downloaded installer, offered to the user on the UI thread.
struct UpgradeOffer {
    std::string installerName;    // file name, accepted by ParseInstallerName
    std::string installerPath;    // installerFolder + installerName
    std::string installerFolder;  // ends in "/"
    std::string programFolder;    // holds the relauncher; ends in "/"
    std::string versionText;      // the running version
    std::string webUrl;
    std::string productName;
    std::string productAbbreviation;
};

}  // namespace zvp
