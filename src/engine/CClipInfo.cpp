#include "engine/CClipInfo.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace zvp {

namespace {

uint64_t ToHundredNanoseconds(const struct statx_timestamp& t) {
    if (t.tv_sec < 0) return 0;
    return static_cast<uint64_t>(t.tv_sec) * 10'000'000u + t.tv_nsec / 100u;
}

}  // namespace

bool CClipInfo::ReadFileAttributes() {
    struct statx st {};
    if (path.empty() || ::statx(AT_FDCWD, path.c_str(), 0,
                                STATX_SIZE | STATX_ATIME | STATX_CTIME | STATX_BTIME, &st) != 0) {
        return false;
    }
    fileSize = st.stx_size;
    creationTime = (st.stx_mask & STATX_BTIME) ? ToHundredNanoseconds(st.stx_btime)
                                               : ToHundredNanoseconds(st.stx_ctime);
    lastAccessTime = ToHundredNanoseconds(st.stx_atime);
    return true;
}

std::string CClipInfo::GetDisplayTitle() const {
    if (!title.empty()) return title;
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace zvp
