#pragma once

#include <string>
#include <vector>

#include "playlist/IDiscDrives.h"

namespace zvp {

// The optical drives of this machine: every "sr<N>" of the block folder as <dev>/sr<N>, by N,
// then each mounted iso9660 or udf file system on any other device (a mounted disc image), in
// mount-table order. A drive's root is its first mount point in the table (sources resolved
// through links, so /dev/cdrom counts for /dev/sr0); its label is the mounted volume's name.
//
// The three folders are constructor arguments so tests run it on fake trees. Tables of
// contents come from libcdio; its messages go to the log at debug level.
// Threads: the const members from any thread (no state changes after construction);
// ReadToc from one thread at a time.
class CLinuxDiscDrives : public IDiscDrives {
  public:
    CLinuxDiscDrives(std::string mountsFile = "/proc/self/mounts",
                     std::string blockFolder = "/sys/block", std::string devFolder = "/dev");

    std::vector<DiscDrive> Drives() override { return ListDrives(); }
    std::vector<DiscDrive> ListDrives() const;

    // A block device is asked for its drive status first, without waiting: anything but a
    // disc ready (no disc, tray open, not ready, not a CD drive) is false at once. A device
    // that cannot be opened (no permission) is false with one info line. Anything else (an
    // image file) goes to libcdio directly.
    bool ReadToc(const DiscDrive& drive, std::vector<DiscTrack>& tracks) override;

    // The mount point the table gives for `device` (first match), or empty.
    std::string MountPointOf(const std::string& device) const;
    // The device whose root is `root` (a mount point or a device path) among `Drives()`, or
    // empty.
    std::string DeviceOfRoot(const std::string& root) const;

    // Reads the table of contents of `source` (a CD drive or a BIN/CUE image) with libcdio:
    // each track from the first to the last (at most 1-99) asked by its number. False (tracks
    // empty) when the source does not open or has no table of contents.
    static bool ReadCdToc(const std::string& source, std::vector<DiscTrack>& tracks);

  private:
    std::string mountsFile_;
    std::string blockFolder_;
    std::string devFolder_;
};

}  // namespace zvp
