#pragma once

#include <string>
#include <vector>

namespace zvp {

// One optical drive or mounted disc image. `device` is the block device (/dev/sr0) or, for an
// image, the mount table's source; `root` is the mount point, empty when nothing is mounted
// (an audio CD, an empty tray); `label` is the volume name, empty when not mounted.
struct DiscDrive {
    std::string device;
    std::string root;
    std::string label;

    bool operator==(const DiscDrive&) const = default;
};

// One track of a disc's table of contents; `audio` when its data bit is clear.
struct DiscTrack {
    int number = 0;
    bool audio = false;

    bool operator==(const DiscTrack&) const = default;
};

// The optical drives the disc detection walks. Threads: any one thread at a time (the control
// centre's UI thread); implementations keep no state between calls that needs a lock.
class IDiscDrives {
  public:
    virtual ~IDiscDrives() = default;

    // The drives in walk order: optical drives, then mounted disc images.
    virtual std::vector<DiscDrive> Drives() = 0;

    // Replaces `tracks` with the table of contents of the disc in `drive`, first track to
    // last. False (tracks empty) when the drive cannot be opened, holds no disc or has no table
    // of contents. Never waits for a tray or a spin-up.
    virtual bool ReadToc(const DiscDrive& drive, std::vector<DiscTrack>& tracks) = 0;
};

}  // namespace zvp
