#pragma once

#include <cstddef>
#include <string>

namespace zvp {

// The largest file the program reads whole as text (text files, playlists).
inline constexpr size_t kMaxTextFileSize = 256u * 1024 * 1024;

// Reads the whole regular file at `path` into `out` (replacing its content). False, with errno
// set, when the file cannot be opened or read (the open's errno), is a folder (EISDIR), is
// any other kind of file (EINVAL; a FIFO is refused without waiting for a writer), or holds
// more than `limit` bytes (EFBIG, known from its size before any byte is read). `out` is
// unspecified after a failure. Stateless; any thread.
bool ReadWholeFile(const std::string& path, size_t limit, std::string& out);

}  // namespace zvp
