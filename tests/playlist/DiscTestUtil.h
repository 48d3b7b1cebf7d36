#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "playlist/IDiscDrives.h"
#include "support/CdImage.h"

namespace zvp::test {

// Drives from a list, with tables of contents by device; a device without one fails to read.
class FakeDiscDrives : public IDiscDrives {
  public:
    std::vector<DiscDrive> Drives() override { return drives; }
    bool ReadToc(const DiscDrive& drive, std::vector<DiscTrack>& tracks) override {
        ++tocReads;
        tracks.clear();
        const auto found = tocs.find(drive.device);
        if (found == tocs.end()) return false;
        tracks = found->second;
        return true;
    }

    std::vector<DiscDrive> drives;
    std::map<std::string, std::vector<DiscTrack>> tocs;
    int tocReads = 0;
};

// Creates each entry below `root`: a name ending in "/" is a folder, any other an empty file
// (its folders made as needed), in the order given.
inline void MakeTree(const std::filesystem::path& root, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const std::filesystem::path path = root / entry;
        if (!entry.empty() && entry.back() == '/') {
            std::filesystem::create_directories(path);
        } else {
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path).put('x');
        }
    }
}

}  // namespace zvp::test
