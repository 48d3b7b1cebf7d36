#include "playlist/CLinuxDiscDrives.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "app/CUniqueFd.h"
#include "app/Logger.h"
#include "app/WholeFile.h"
#include "media/CdIoHandle.h"
#include "playlist/MountTable.h"

namespace zvp {

namespace fs = std::filesystem;

namespace {

// The number N of a block folder entry "sr<N>", or -1.
long OpticalNumber(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
    long number = -1;
    const char* end = name.data() + name.size();
    const auto [ptr, ec] = std::from_chars(name.data() + 2, end, number);
    return ec == std::errc() && ptr == end ? number : -1;
}

// The path with links and dots resolved when it exists, else as written.
std::string Resolved(const std::string& path) {
    std::error_code ec;
    fs::path canonical = fs::canonical(path, ec);
    return ec ? path : canonical.string();
}

std::vector<MountEntry> ReadMounts(const std::string& file) {
    std::string text;
    if (!ReadWholeFile(file, kMaxTextFileSize, text)) return {};
    return ParseMountTable(text);
}

std::string LabelOf(const std::string& root) {
    if (root.empty()) return {};
    return QStorageInfo(QString::fromStdString(root)).name().toStdString();
}

}  // namespace

CLinuxDiscDrives::CLinuxDiscDrives(std::string mountsFile, std::string blockFolder,
                                   std::string devFolder)
    : mountsFile_(std::move(mountsFile)),
      blockFolder_(std::move(blockFolder)),
      devFolder_(std::move(devFolder)) {}

std::vector<DiscDrive> CLinuxDiscDrives::ListDrives() const {
    std::vector<std::pair<long, std::string>> numbered;
    std::error_code ec;
    for (fs::directory_iterator it(blockFolder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long number = OpticalNumber(name);
        if (number >= 0) numbered.emplace_back(number, name);
    }
    std::sort(numbered.begin(), numbered.end());

    const std::vector<MountEntry> mounts = ReadMounts(mountsFile_);
    std::vector<std::string> resolvedSources;
    resolvedSources.reserve(mounts.size());
    for (const MountEntry& entry : mounts) resolvedSources.push_back(Resolved(entry.source));

    std::vector<DiscDrive> drives;
    std::vector<std::string> taken;  // resolved devices already listed
    for (const auto& [number, name] : numbered) {
        DiscDrive drive;
        drive.device = devFolder_ + "/" + name;
        const std::string device = Resolved(drive.device);
        for (size_t i = 0; i < mounts.size(); ++i) {
            if (resolvedSources[i] == device) {
                drive.root = mounts[i].target;
                break;
            }
        }
        drive.label = LabelOf(drive.root);
        taken.push_back(device);
        drives.push_back(std::move(drive));
    }
    for (size_t i = 0; i < mounts.size(); ++i) {
        if (mounts[i].type != "iso9660" && mounts[i].type != "udf") continue;
        if (std::find(taken.begin(), taken.end(), resolvedSources[i]) != taken.end()) continue;
        taken.push_back(resolvedSources[i]);
        drives.push_back({mounts[i].source, mounts[i].target, LabelOf(mounts[i].target)});
    }
    return drives;
}

std::string CLinuxDiscDrives::MountPointOf(const std::string& device) const {
    const std::string resolved = Resolved(device);
    for (const MountEntry& entry : ReadMounts(mountsFile_)) {
        if (Resolved(entry.source) == resolved) return entry.target;
    }
    return {};
}

std::string CLinuxDiscDrives::DeviceOfRoot(const std::string& root) const {
    for (const DiscDrive& drive : ListDrives()) {
        if (drive.device == root || (!drive.root.empty() && drive.root == root)) {
            return drive.device;
        }
    }
    return {};
}

bool CLinuxDiscDrives::ReadToc(const DiscDrive& drive, std::vector<DiscTrack>& tracks) {
    tracks.clear();
    struct stat st {};
    if (::stat(drive.device.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
        // O_NONBLOCK: the open neither closes the tray nor waits for a disc.
        CUniqueFd fd(::open(drive.device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (!fd) {
            Log({"CLinuxDiscDrives::ReadToc", kLogInfo},
                "Cannot open %s (%s); audio tracks are not listed", drive.device.c_str(),
                std::strerror(errno));
            return false;
        }
        const int status = ::ioctl(fd.Get(), CDROM_DRIVE_STATUS, CDSL_CURRENT);
        if (status != CDS_DISC_OK) {
            Log({"CLinuxDiscDrives::ReadToc", kLogDebug}, "%s: no disc ready (status %d)",
                drive.device.c_str(), status);
            return false;
        }
    }
    return ReadCdToc(drive.device, tracks);
}

bool CLinuxDiscDrives::ReadCdToc(const std::string& source, std::vector<DiscTrack>& tracks) {
    tracks.clear();
    RouteCdioLog();
    CdIoHandle cdio(cdio_open(source.c_str(), DRIVER_UNKNOWN));
    if (!cdio) {
        Log({"CLinuxDiscDrives::ReadCdToc", kLogDebug}, "libcdio cannot open %s", source.c_str());
        return false;
    }
    const track_t first = cdio_get_first_track_num(cdio.get());
    const track_t last = cdio_get_last_track_num(cdio.get());
    if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK) {
        Log({"CLinuxDiscDrives::ReadCdToc", kLogDebug}, "%s has no table of contents",
            source.c_str());
        return false;
    }
    for (int t = std::max<int>(first, 1); t <= std::min<int>(last, 99); ++t) {
        const track_format_t format = cdio_get_track_format(cdio.get(), static_cast<track_t>(t));
        if (format == TRACK_FORMAT_ERROR) continue;
        tracks.push_back({t, format == TRACK_FORMAT_AUDIO});
    }
    return !tracks.empty();
}

}  // namespace zvp
