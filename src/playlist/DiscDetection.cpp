#include "playlist/DiscDetection.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

#include "app/Logger.h"

namespace zvp {

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Pattern {
    const char* folder;
    const char* file;
};

// Video CD and Super Video CD, in the order their files are listed.
constexpr Pattern kVideoCdPatterns[] = {
    {"mpegav", "avseq??.dat"}, {"mpegav", "avseq??.mpg"}, {"mpeg2", "avseq??.dat"},
    {"mpeg2", "avseq??.mpg"},  {"mpegav", "music??.dat"}, {"mpegav", "music??.mpg"},
    {"mpeg2", "music??.dat"},  {"mpeg2", "music??.mpg"},
};
constexpr Pattern kDvdPattern = {"video_ts", "vts_??_?.vob"};

// The folders of one drive's scan, each listed at most once; a folder that cannot be read is
// logged once and then lists nothing.
class FolderLister {
  public:
    // The names in `folder` (sorted by DiscNameLess), or nullopt when it cannot be read.
    const std::optional<std::vector<std::string>>& List(const std::string& folder) {
        auto found = listed_.find(folder);
        if (found != listed_.end()) return found->second;
        std::optional<std::vector<std::string>> names;
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        if (!ec) {
            names.emplace();
            for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
                names->push_back(it->path().filename().string());
            }
        }
        if (ec) {
            Log({"DiscDetection::ScanDrive", kLogInfo}, "Cannot read disc folder %s: %s",
                folder.c_str(), ec.message().c_str());
            names.reset();
        } else {
            std::sort(names->begin(), names->end(), DiscNameLess);
        }
        return listed_.emplace(folder, std::move(names)).first->second;
    }

  private:
    std::map<std::string, std::optional<std::vector<std::string>>> listed_;
};

std::string Joined(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Appends the regular files matching `pattern` below `root`, folders and files in name order.
void AppendMatches(FolderLister& lister, const std::string& root, const Pattern& pattern,
                   std::vector<std::string>& paths) {
    const auto& top = lister.List(root);
    if (!top) return;
    for (const std::string& folderName : *top) {
        if (!MatchesDiscName(pattern.folder, folderName, false)) continue;
        const std::string folder = Joined(root, folderName);
        const auto& names = lister.List(folder);
        if (!names) continue;
        for (const std::string& name : *names) {
            if (!MatchesDiscName(pattern.file, name, true)) continue;
            const std::string path = Joined(folder, name);
            std::error_code ec;
            if (fs::is_regular_file(path, ec)) paths.push_back(path);
        }
    }
}

const char* DefaultLabel(DiscKind kind) {
    switch (kind) {
        case kAudioCd:
            return "Audio CD";
        case kVideoCd:
            return "(S)VCD";
        case kDvdVideo:
            return "DVD Video";
        default:
            return "";
    }
}

}  // namespace

bool MatchesDiscName(std::string_view pattern, std::string_view name, bool file) {
    if (file) {
        // An ISO 9660 version: ";" and digits at the end.
        const size_t semicolon = name.rfind(';');
        if (semicolon != std::string_view::npos && semicolon + 1 < name.size() &&
            std::all_of(name.begin() + semicolon + 1, name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            name = name.substr(0, semicolon);
        }
    }
    if (pattern.size() != name.size()) return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '?') continue;
        if (LowerAscii(pattern[i]) != LowerAscii(name[i])) return false;
    }
    return true;
}

bool DiscNameLess(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char x = LowerAscii(a[i]);
        const char y = LowerAscii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

DiscKind ScanDrive(IDiscDrives& drives, const DiscDrive& drive, std::vector<std::string>& paths) {
    const size_t before = paths.size();
    if (!drive.root.empty()) {
        FolderLister lister;
        for (const Pattern& pattern : kVideoCdPatterns) {
            AppendMatches(lister, drive.root, pattern, paths);
        }
        if (paths.size() > before) return kVideoCd;
        AppendMatches(lister, drive.root, kDvdPattern, paths);
        if (paths.size() > before) return kDvdVideo;
    }
    std::vector<DiscTrack> tracks;
    if (drives.ReadToc(drive, tracks)) {
        const std::string& root = drive.root.empty() ? drive.device : drive.root;
        for (const DiscTrack& track : tracks) {
            if (!track.audio || track.number < 1 || track.number > 99) continue;
            char name[16];
            std::snprintf(name, sizeof name, "track%02d.cda", track.number);
            paths.push_back(Joined(root, name));
        }
    }
    return paths.size() > before ? kAudioCd : kNothingRecognised;
}

bool DetectDisc(IDiscDrives& drives, std::string& displayName, std::vector<std::string>& paths) {
    displayName.clear();
    paths.clear();
    for (const DiscDrive& drive : drives.Drives()) {
        std::vector<std::string> found;
        const DiscKind kind = ScanDrive(drives, drive, found);
        if (kind == kAudioCd || kind == kVideoCd || kind == kDvdVideo) {
            displayName = (drive.label.empty() ? std::string(DefaultLabel(kind)) : drive.label) +
                          " (" + drive.device + ")";
            paths = std::move(found);
            return true;
        }
    }
    return true;
}

}  // namespace zvp
