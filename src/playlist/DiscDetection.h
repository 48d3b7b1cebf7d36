#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "playlist/IDiscDrives.h"

namespace zvp {

// What a drive holds, as the drive scan reports it. kNotOptical is never returned: the
// drives walked are optical drives and disc images only.
enum DiscKind {
    kNotOptical = 0,
    kAudioCd = 1,
    kVideoCd = 2,
    kDvdVideo = 3,
    kNothingRecognised = 4,
};

// Whether a disc's folder or file name `name` matches `pattern`: ASCII letters compared
// without case, each "?" exactly one byte (disc names are ASCII). With `file`, a trailing ISO 9660
// version
// (";1") of the name is ignored.
bool MatchesDiscName(std::string_view pattern, std::string_view name, bool file);

// Orders disc names for listing: by name ignoring ASCII case, then by bytes.
bool DiscNameLess(std::string_view a, std::string_view b);

// Scans one drive and appends what it would play to `paths`:
// - with a root: the Video CD files (eight patterns under mpegav/ and mpeg2/, in order) give
//   kVideoCd; else the DVD title-set files (video_ts/vts_??_?.vob) give kDvdVideo. Each
//   pattern's matches are regular files (links followed) sorted by DiscNameLess, appended as
//   root + folder and file names spelt as on disk. A folder that cannot be read gives one
//   info line and no files;
// - the audio tracks of `drives.ReadToc`, "<root>/track%02d.cda" (the device as root when
//   unmounted): kAudioCd when any, else kNothingRecognised.
DiscKind ScanDrive(IDiscDrives& drives, const DiscDrive& drive, std::vector<std::string>& paths);

// Walks `drives.Drives()` and stops at the first drive holding a Video CD, DVD or audio CD:
// `paths` holds its files and `displayName` "<label> (<device>)", the label being the kind's
// default ("Audio CD", "(S)VCD", "DVD Video") when the volume has none. Without such a drive
// both are empty. Always true.
bool DetectDisc(IDiscDrives& drives, std::string& displayName, std::vector<std::string>& paths);

}  // namespace zvp
