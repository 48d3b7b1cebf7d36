#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zvp {

// Limits on images read from skin files, which come from anyone.
inline constexpr size_t kMaxSkinImageFileSize = 64u * 1024 * 1024;  // bytes on disk
inline constexpr int kMaxSkinImageSide = 8192;                      // pixels, either side
inline constexpr int64_t kMaxSkinImageBytes = 64ll * 1024 * 1024;   // decoded, 4 bytes a pixel

// Reads the BMP or PNG image file at `path`, told apart by content (not by the name's
// extension). The file is opened without waiting (a FIFO is refused at once) and must be a
// regular file of at most kMaxSkinImageFileSize bytes; the size the header claims is checked
// before decoding. Returns a null image after logging "Skin image too large: %s (%dx%d)" or
// "Cannot load skin image: %s". Stateless; any thread.
QImage ReadSkinImageFile(const std::string& path);

}  // namespace zvp
