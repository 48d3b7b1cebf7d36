#include "playlist/CDiscDriveTable.h"

namespace zvp {

CDiscDriveTable::CDiscDriveTable(std::vector<DiscDrive> scanned) : scanned_(std::move(scanned)) {}

std::string CDiscDriveTable::SourceOfRoot(const std::string& root) const {
    if (root.empty()) return {};
    for (const DiscDrive& drive : scanned_) {
        if (drive.device == root || drive.root == root) return drive.device;
    }
    return live_.DeviceOfRoot(root);
}

}  // namespace zvp
