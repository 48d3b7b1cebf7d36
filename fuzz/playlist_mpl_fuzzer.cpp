// Feeds arbitrary bytes to the playlist file format, both as a file's content and as the paths
// of a list being saved, then reads them as a file into a playlist model, sorts it by every
// key, saves the model's rows to another file and reads that back.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WriteWholeOrAbort.h"
#include "app/Logger.h"
#include "engine/CClipInfo.h"
#include "playlist/CPlaylistFile.h"
#include "playlist/CPlaylistModel.h"

namespace {

using Rows = std::vector<std::string>;

// The bytes as a playlist file: whatever they hold, no row holds a line feed, and the rows
// come back unchanged from their own serialization. Returns the rows (nullopt when the bytes
// are not a playlist).
std::optional<Rows> CheckFileContent(std::string_view bytes) {
    std::optional<Rows> rows = zvp::CPlaylistFile::Parse(bytes);
    if (!rows) return rows;
    for (const std::string& row : *rows) {
        if (row.find('\n') != std::string::npos) __builtin_trap();
    }
    const std::optional<Rows> again =
        zvp::CPlaylistFile::Parse(zvp::CPlaylistFile::Serialize(*rows));
    if (!again || *again != *rows) __builtin_trap();
    return rows;
}

// The bytes cut at every 0xFF as the paths of a list being saved: those without LF or NUL
// read back byte for byte (stray bytes included), the others are left out.
void CheckPathBytes(std::string_view bytes) {
    Rows paths(1);
    for (char c : bytes) {
        if (c == '\xFF') {
            paths.emplace_back();
        } else {
            paths.back().push_back(c);
        }
    }
    Rows storable;
    for (const std::string& path : paths) {
        if (path.find('\n') == std::string::npos && path.find('\0') == std::string::npos) {
            storable.push_back(path);
        }
    }
    const std::optional<Rows> back =
        zvp::CPlaylistFile::Parse(zvp::CPlaylistFile::Serialize(paths));
    if (!back || *back != storable) __builtin_trap();
}

// Rows past this many are not put into the model, so that one input stays fast.
constexpr size_t kMaxModelRows = 2000;

// A folder of its own for the input file, removed when the process exits.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "zvp-mpl-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        folder_ = templ;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    std::string File() const { return (folder_ / "input.mpl").string(); }
    std::string SavedFile() const { return (folder_ / "saved.mpl").string(); }

  private:
    std::filesystem::path folder_;
};

// A record for `path` whose sort keys come from the path's bytes, so that every key sees
// distinct values, ties and the full 64-bit range without touching the file system.
std::unique_ptr<zvp::CClipInfo> RecordFor(const std::string& path, uint64_t sequence) {
    const uint64_t h = std::hash<std::string>{}(path);
    auto record = std::make_unique<zvp::CClipInfo>();
    record->path = path;
    if (h & 1) record->title = path.substr(0, 16);
    record->fileSize = h % 7 == 0 ? UINT64_MAX - (h >> 60) : (h >> 3) % 5000;
    record->creationTime = h * 0x9E3779B97F4A7C15ull;
    record->lastAccessTime = (h >> 8) % 3;
    record->duration = static_cast<double>((h >> 16) % 11);
    record->addSequence = sequence;
    return record;
}

// The key a sort orders by, for the keyed sorts the check below verifies.
bool KeyLess(int commandId, const zvp::CClipInfo& a, const zvp::CClipInfo& b) {
    switch (commandId) {
        case zvp::kSortByTitle:
            return a.GetDisplayTitle() < b.GetDisplayTitle();
        case zvp::kSortByFileSize:
            return a.fileSize < b.fileSize;
        case zvp::kSortByCreateTime:
            return a.creationTime < b.creationTime;
        case zvp::kSortByLastAccessTime:
            return a.lastAccessTime < b.lastAccessTime;
        case zvp::kSortByAddTime:
            return a.addSequence < b.addSequence;
        case zvp::kSortByDuration:
            return a.duration < b.duration;  // whole seconds already
        default:
            return false;
    }
}

// The same bytes as a file read into a model; one sort by each id (each the first of its id,
// so ascending) keeps every record exactly once, the current record current, and orders the
// rows by the key.
void CheckModel(std::string_view bytes, const std::optional<Rows>& parsed) {
    static ScratchFolder scratch;
    const std::string file = scratch.File();
    WriteWholeOrAbort(file, bytes);
    Rows rows;
    const bool read = zvp::CPlaylistFile::Read(file, rows);
    if (read != parsed.has_value() || (read && rows != *parsed)) __builtin_trap();
    if (!read || rows.empty()) return;
    if (rows.size() > kMaxModelRows) rows.resize(kMaxModelRows);

    zvp::CPlaylistModel model;
    std::vector<std::unique_ptr<zvp::CClipInfo>> records;
    records.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) records.push_back(RecordFor(rows[i], i + 1));
    std::vector<const zvp::CClipInfo*> expected;
    for (const auto& record : records) expected.push_back(record.get());
    std::sort(expected.begin(), expected.end());
    model.AppendItems(std::move(records));
    const int count = static_cast<int>(rows.size());
    if (model.GetCount() != count) __builtin_trap();
    const int current = static_cast<int>(bytes.size() % rows.size());
    model.SetCurrent(current);
    const zvp::CClipInfo* currentRecord = model.GetItem(current);

    constexpr int kIds[] = {zvp::kSortByTitle,      zvp::kSortByFileSize,
                            zvp::kSortByCreateTime, zvp::kSortByLastAccessTime,
                            zvp::kSortByAddTime,    zvp::kSortByDuration,
                            zvp::kSortShuffle,      4242};
    std::vector<const zvp::CClipInfo*> seen(rows.size());
    for (const int id : kIds) {
        model.Sort(id);
        if (model.GetCount() != count || model.GetSortId() != id) __builtin_trap();
        if (model.GetItem(model.GetCurrent()) != currentRecord) __builtin_trap();
        for (int row = 0; row < count; ++row) {
            seen[row] = model.GetItem(row);
            if (!seen[row] || model.GetItemText(row) != seen[row]->GetDisplayTitle()) {
                __builtin_trap();
            }
            if (row > 0 && KeyLess(id, *seen[row], *seen[row - 1])) __builtin_trap();
        }
        std::sort(seen.begin(), seen.end());
        if (seen != expected) __builtin_trap();
    }

    // The sorted list saved from the model's records, as the player saves a playlist, reads
    // back row for row.
    Rows listed;
    for (int row = 0; row < count; ++row) listed.push_back(model.GetItem(row)->path);
    Rows back;
    if (!zvp::CPlaylistFile::Write(scratch.SavedFile(), listed) ||
        !zvp::CPlaylistFile::Read(scratch.SavedFile(), back) || back != listed) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The model needs an application object but no GUI platform.
    static int argc = 1;
    static char name[] = "playlist_mpl_fuzzer";
    static char* argv[] = {name, nullptr};
    static const auto app = [] {
        zvp::Logger::Instance().SetStdoutOutput(false);
        return std::make_unique<QCoreApplication>(argc, argv);
    }();
    (void)app;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<Rows> rows = CheckFileContent(bytes);
    CheckPathBytes(bytes);
    CheckModel(bytes, rows);
    return 0;
}
