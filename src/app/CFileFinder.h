#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zvp {

// Searches a folder tree for files. With subfolders, the search is depth first: each
// folder's subfolders (sorted by name) are searched before the folder's own files (also
// sorted by name) are listed. Folders are never results. Symbolic links to folders are
// followed once (a folder already visited in this search is skipped, so link loops end).
// Unreadable folders are skipped with a debug log line.
//
// Thread: FindFiles runs on the caller's thread; StopSearch may be called from any thread
// (or from the progress callback) and ends the running search early.
class CFileFinder {
  public:
    // Called once for each folder searched, with the folder's path (ending in "/"), on the
    // searching thread.
    using ProgressCallback = std::function<void(const std::string& folder)>;

    // Clears earlier results and the stop flag, then searches `folder` for files whose name
    // matches `mask` ('*' any run, '?' one character, ASCII case ignored; "*.*" matches every
    // name). Returns the number of paths found.
    int FindFiles(const std::string& folder, const std::string& mask, bool withSubfolders);

    // As above with a predicate on the file name (without folder).
    int FindFiles(const std::string& folder,
                  const std::function<bool(const std::string& name)>& match, bool withSubfolders);

    void StopSearch() { stop_.store(true); }
    void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }

    int GetFileCount() const { return static_cast<int>(found_.size()); }
    // The index-th path found (folder + name), in the order found; empty when out of range.
    std::string GetFilePath(int index) const;
    const std::vector<std::string>& files() const { return found_; }

    // Windows-style wildcard match of `name` against `mask`, ASCII case ignored.
    static bool MatchMask(std::string_view mask, std::string_view name);

  private:
    std::vector<std::string> found_;
    std::atomic<bool> stop_{false};
    ProgressCallback progress_;
};

}  // namespace zvp
