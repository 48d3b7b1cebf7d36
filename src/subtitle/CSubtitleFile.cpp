#include "subtitle/CSubtitleFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>

#include "app/CUniqueFd.h"
#include "app/FdWrite.h"
#include "app/Logger.h"
#include "app/TextDecoder.h"
#include "app/WholeFile.h"
#include "subtitle/CSrtConverter.h"
#include "subtitle/SubtitleStyle.h"

namespace zvp {

namespace fs = std::filesystem;

namespace {

// Subtitle files larger than this are refused (libass refuses them too).
constexpr uintmax_t kMaxSubtitleFile = 50u * 1024 * 1024;

struct Lists {
    std::mutex lock;
    std::string current;                  // guarded by lock
    std::vector<std::string> candidates;  // guarded by lock
    std::vector<std::string> used;        // guarded by lock
};

Lists& TheLists() {
    static Lists* lists = new Lists();  // lives until process exit
    return *lists;
}

bool HasExtension(const std::string& path, const char* ext) {
    std::string e = fs::path(path).extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return std::tolower(c); });
    return e == std::string(".") + ext;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    return ReadWholeFile(path, kMaxSubtitleFile, bytes);
}

// Writes `text` after a UTF-8 byte-order mark through a temporary file renamed into place.
bool WriteUtf8WithBom(const std::string& path, std::string_view text) {
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::string temp = path + ".part";
    {
        CUniqueFd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!out) return false;
        const bool written = WriteAll(out.Get(), "\xEF\xBB\xBF", 3) &&
                             WriteAll(out.Get(), text.data(), text.size()) &&
                             ::close(out.Release()) == 0;
        if (!written) {
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

// The text of a subtitle file's bytes as UTF-8, whatever its form.
std::string BytesToUtf8(std::string_view bytes) {
    const TextDecoder::Mark mark = TextDecoder::ByteOrderMark(bytes);
    if (mark == TextDecoder::Mark::kUtf8) return std::string(bytes.substr(3));
    std::string text;
    if (TextDecoder::MarkedUnicodeToUtf8(bytes, mark, text)) return text;
    return GetSubtitleHost()->DecodeText(bytes);
}

struct ProcessFolderState {
    std::mutex lock;
    std::string path;  // guarded by lock; empty until first needed
};

ProcessFolderState& TheProcessFolder() {
    static ProcessFolderState* state = new ProcessFolderState();  // lives until process exit
    return *state;
}

// This process's folder for prepared copies, made private (0700) and unique with mkdtemp on
// first use; empty when it cannot be made.
std::string ProcessFolder() {
    ProcessFolderState& state = TheProcessFolder();
    std::lock_guard lock(state.lock);
    std::error_code ec;
    if (!state.path.empty() && fs::is_directory(state.path, ec)) return state.path;
    const std::string temp = GetSubtitleHost()->TempFolder();
    fs::create_directories(temp, ec);
    std::string templ = temp + "zvp-subtitles-XXXXXX";
    if (!::mkdtemp(templ.data())) {
        Log(LogPoint{"CSubtitleFile::ConvertedPath", kLogError},
            "Cannot create a folder for converted subtitles in %s", temp.c_str());
        state.path.clear();
        return std::string();
    }
    state.path = templ + "/";
    return state.path;
}

}  // namespace

std::string CSubtitleFile::ConvertedPath(const std::string& source, const std::string& name) {
    std::error_code ec;
    fs::path full = fs::absolute(source, ec);
    const std::string key = (ec ? fs::path(source) : full).lexically_normal().string();
    char hex[24];
    std::snprintf(hex, sizeof hex, "%016zx", std::hash<std::string>{}(key));
    const std::string folder = ProcessFolder();
    if (folder.empty()) return std::string();
    return folder + hex + "/" + name;
}

void CSubtitleFile::RemoveConvertedFiles() {
    std::string folder;
    {
        ProcessFolderState& state = TheProcessFolder();
        std::lock_guard lock(state.lock);
        folder.swap(state.path);
    }
    std::error_code ec;
    if (!folder.empty()) fs::remove_all(folder, ec);
}

std::string CSubtitleFile::ConvertToAss(const std::string& path) {
    if (!HasExtension(path, "srt")) return path;
    const LogPoint point{"CSubtitleFile::ConvertToAss", kLogError};
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        Log(point, "Cannot open subtitle file: %s", path.c_str());
        return std::string();
    }
    CSrtConverter converter;
    if (!converter.ok()) return std::string();
    const std::string ass = converter.Convert(BytesToUtf8(bytes));
    const std::string out = ConvertedPath(path, fs::path(path).stem().string() + ".ass");
    if (!WriteUtf8WithBom(out, ass)) {
        Log(point, "Cannot write converted subtitle file: %s", out.c_str());
        return std::string();
    }
    return out;
}

std::string CSubtitleFile::CopyAsUtf8(const std::string& path) {
    std::string bytes;
    if (path.empty() || !ReadFileBytes(path, bytes)) {
        Log(LogPoint{"CSubtitleFile::CopyAsUtf8", kLogError}, "Cannot open subtitle file: %s",
            path.c_str());
        return std::string();
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return path;
    const std::string out = ConvertedPath(path, fs::path(path).filename().string());
    if (!WriteUtf8WithBom(out, BytesToUtf8(bytes))) {
        Log(LogPoint{"CSubtitleFile::CopyAsUtf8", kLogError},
            "Cannot write re-encoded subtitle file: %s", out.c_str());
        return std::string();
    }
    return out;
}

bool CSubtitleFile::Open(int kind, SubtitleData data) {
    if (kind != kSubtitleExternal || data.text.empty()) return false;
    const std::string& given = data.text;
    const LogPoint point{"CSubtitleFile::Open", kLogError};
    std::error_code ec;
    const bool subtitleName =
        HasExtension(given, "ass") || HasExtension(given, "ssa") || HasExtension(given, "srt");
    const bool picked = data.picked || (subtitleName && fs::is_regular_file(given, ec));
    if (picked && !subtitleName) {
        Log(point, "Not a subtitle file (srt, ass or ssa): %s", given.c_str());
        return false;
    }
    if (picked && !fs::is_regular_file(given, ec)) {
        Log(point, "Cannot open subtitle file: %s", given.c_str());
        return false;
    }
    std::vector<std::string> candidates = GetSubtitleHost()->FindCandidates(given);

    std::string chosen;
    if (picked) {
        chosen = given;  // shown as it is, never another file of its folder
    } else {
        for (const char* ext : {"ass", "srt"}) {
            auto it = std::find_if(candidates.begin(), candidates.end(),
                                   [&](const std::string& c) { return HasExtension(c, ext); });
            if (it != candidates.end()) {
                chosen = *it;
                break;
            }
        }
        Lists& lists = TheLists();
        std::lock_guard lock(lists.lock);
        lists.candidates = candidates;
        if (chosen.empty()) return false;  // no subtitle file: silently
    }

    // The step that fails logs it; the shown path and track stay as they were.
    const std::string converted = ConvertToAss(chosen);
    const std::string prepared = converted.empty() ? std::string() : CopyAsUtf8(converted);
    if (prepared.empty()) return false;
    {
        MutexLock lock(state_lock_);
        prepared_ = prepared;
    }
    RebuildTrack();
    // The path last, so that the old track is never drawn under the new name.
    Lists& lists = TheLists();
    std::lock_guard lock(lists.lock);
    if (picked) lists.candidates = std::move(candidates);
    lists.current = chosen;
    return true;
}

void CSubtitleFile::RememberUsedFile(const std::string& path) {
    if (path.empty()) return;
    Lists& lists = TheLists();
    std::lock_guard lock(lists.lock);
    if (std::find(lists.used.begin(), lists.used.end(), path) == lists.used.end())
        lists.used.push_back(path);
}

void CSubtitleFile::RebuildTrack() {
    std::string prepared;
    {
        MutexLock lock(state_lock_);
        prepared = prepared_;
    }
    if (prepared.empty()) return;
    std::shared_ptr<CSubtitleRenderer> renderer = CurrentSubtitleRenderer();
    if (!renderer) return;  // Setup reads it once there is a renderer
    CAssTrack track = renderer->ReadFile(prepared);
    const LogPoint point{"CSubtitleFile::RebuildTrack", kLogInfo};
    if (!track) {
        // Nothing is drawn rather than the previous file's track.
        Log(LogPoint{"CSubtitleFile::RebuildTrack", kLogError},
            "Can not read an ass track from external subtitle file: %s", prepared.c_str());
    } else {
        Log(point, "External subtitle file loaded. m_ass_track: 0x%" PRIxPTR,
            reinterpret_cast<uintptr_t>(track.get()));
        ApplyStyle(track.get(), renderer->settings(), renderer->height());
        ASS_Track* t = track.get();
        if (const int styles = ApplyStyleGuard(*t); styles > 0) {
            Log(point, "%d subtitle styles drawing far larger than the picture brought within it",
                styles);
        }
        const int guarded = ApplyTagGuardToEvents(*t);
        if (guarded > 0) {
            Log(point,
                "%d subtitle lines with too many or oversized override tags shown without them",
                guarded);
        }
    }
    {
        MutexLock lock(state_lock_);
        std::swap(track_, track);
        ResetHold();  // what the previous track showed is not held over
    }
    // The previous track (now in `track`) is released here, outside the lock.
}

void CSubtitleFile::Render(const SubtitleFrame& frame, const std::shared_ptr<CSubtitleRenderer>&,
                           int& baseline) {
    if (CurrentPath().empty()) return;
    const std::shared_ptr<ISubtitleHost> host = GetSubtitleHost();
    MutexLock lock(state_lock_);
    if (!track_) return;
    DrawTrack(track_.renderer().get(), track_.get(), frame, baseline, *host);
}

void CSubtitleFile::RenderAhead(int64_t timeMs, bool rgb24,
                                const std::shared_ptr<CSubtitleRenderer>&, ISubtitleHost& clock) {
    if (CurrentPath().empty()) return;
    MutexLock lock(state_lock_);
    if (!track_) return;
    ProduceAhead(*track_.renderer(), track_.get(), timeMs, rgb24, clock);
}

void CSubtitleFile::Clear() {
    SetCurrentPath(std::string());
}

std::string CSubtitleFile::prepared_file() {
    MutexLock lock(state_lock_);
    return prepared_;
}

bool CSubtitleFile::has_track() {
    MutexLock lock(state_lock_);
    return bool(track_);
}

std::string CSubtitleFile::CurrentPath() {
    Lists& lists = TheLists();
    std::lock_guard lock(lists.lock);
    return lists.current;
}

void CSubtitleFile::SetCurrentPath(const std::string& path) {
    Lists& lists = TheLists();
    std::lock_guard lock(lists.lock);
    lists.current = path;
}

std::vector<std::string> CSubtitleFile::Candidates() {
    Lists& lists = TheLists();
    std::lock_guard lock(lists.lock);
    return lists.candidates;
}

std::vector<std::string> CSubtitleFile::UsedFiles() {
    Lists& lists = TheLists();
    std::lock_guard lock(lists.lock);
    return lists.used;
}

}  // namespace zvp
