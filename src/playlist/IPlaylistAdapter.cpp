#include "playlist/IPlaylistAdapter.h"

#include <atomic>
#include <chrono>

#include "engine/CClipInfo.h"

namespace zvp {

std::unique_ptr<CClipInfo> IPlaylistAdapter::MakeFileRecord(const std::string& path) {
    static std::atomic<uint64_t> sequence{0};
    auto record = std::make_unique<CClipInfo>();
    record->path = path;
    const size_t slash = path.find_last_of('/');
    record->title = slash == std::string::npos ? path : path.substr(slash + 1);
    record->ReadFileAttributes();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    record->addTime =
        static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    record->addSequence = ++sequence;
    return record;
}

}  // namespace zvp
