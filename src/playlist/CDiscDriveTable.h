#pragma once

#include <string>
#include <vector>

#include "media/ICdDriveTable.h"
#include "playlist/CLinuxDiscDrives.h"
#include "playlist/IDiscDrives.h"

namespace zvp {

// The drive table the media layer opens audio CD tracks through: the drives of the last disc
// scan, then this machine's drives as they are now (so rows saved in a playlist play again
// after a restart). Immutable after construction; any thread.
class CDiscDriveTable : public ICdDriveTable {
  public:
    explicit CDiscDriveTable(std::vector<DiscDrive> scanned = {});

    // The device of the drive whose device path or mount point is `root`.
    std::string SourceOfRoot(const std::string& root) const override;

  private:
    const std::vector<DiscDrive> scanned_;
    const CLinuxDiscDrives live_;
};

}  // namespace zvp
