#pragma once

#include <memory>
#include <string>

namespace zvp {

// The audio CD drives the player knows, for opening "<root>/trackNN.cda" rows. The layer that
// finds discs implements it and installs it with `Set`; the media layer only asks.
// Threads: `Set` and `Get` from any thread (a lock guards the installed table); an installed
// table is immutable or locks itself, since `SourceOfRoot` is called on whichever thread
// loads a file.
class ICdDriveTable {
  public:
    virtual ~ICdDriveTable() = default;

    // What libcdio opens for the tracks listed under `root` (a drive's mount point or device
    // path): the device or disc image. Empty when `root` is no known drive.
    virtual std::string SourceOfRoot(const std::string& root) const = 0;

    // Installs the process-wide table (null: none; every .cda row then fails to open).
    static void Set(std::shared_ptr<const ICdDriveTable> table);
    static std::shared_ptr<const ICdDriveTable> Get();
};

}  // namespace zvp
