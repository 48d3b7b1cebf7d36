#include "skin/SkinImageFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstdint>
#include <string_view>

#include "app/Logger.h"
#include "app/WholeFile.h"

namespace zvp {
namespace {

bool WithinLimits(QSize size) {
    return size.width() <= kMaxSkinImageSide && size.height() <= kMaxSkinImageSide &&
           int64_t(size.width()) * size.height() * 4 <= kMaxSkinImageBytes;
}

QImage TooLarge(const std::string& path, QSize size) {
    Log(LogPoint{"ReadSkinImageFile", kLogInfo}, "Skin image too large: %s (%dx%d)", path.c_str(),
        size.width(), size.height());
    return {};
}

uint32_t Le(std::string_view bytes, size_t at, size_t width) {
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i) v |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    return v;
}

// What a bitmap file's headers claim. Qt's decoder refuses huge sizes without telling them,
// and stops at the end of the data leaving the remaining rows, and whatever run-length-encoded
// data skips, undefined; so the size is read here, and only uncompressed bitmaps whose rows
// are all in the file count as complete.
struct BitmapHeader {
    QSize size;             // invalid when the headers cannot be read
    bool complete = false;  // uncompressed, with every row present
};

BitmapHeader ReadBitmapHeader(std::string_view bytes) {
    constexpr size_t kFileHeader = 14;
    BitmapHeader header;
    if (bytes.size() < kFileHeader + 12) return header;
    const uint64_t offset = Le(bytes, 10, 4);
    const uint32_t infoSize = Le(bytes, 14, 4);
    int64_t width;
    int64_t height;
    uint32_t bits;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    size_t colorSize = 4;
    if (infoSize == 12) {  // the old core header: 16-bit sizes, 3-byte colours
        width = Le(bytes, 18, 2);
        height = Le(bytes, 20, 2);
        bits = Le(bytes, 24, 2);
        colorSize = 3;
    } else {
        if (infoSize < 40 || bytes.size() < kFileHeader + 40) return header;
        width = static_cast<int32_t>(Le(bytes, 18, 4));
        height = static_cast<int32_t>(Le(bytes, 22, 4));
        bits = Le(bytes, 28, 2);
        compression = Le(bytes, 30, 4);
        colorsUsed = Le(bytes, 46, 4);
    }
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0 || rows > INT32_MAX) return header;
    header.size = QSize(static_cast<int>(width), static_cast<int>(rows));
    if (compression != 0 && compression != 3) return header;  // 1, 2: run-length encoded
    if (bits == 0 || bits > 32) return header;
    const uint64_t colors = bits <= 8 ? (colorsUsed ? colorsUsed : 1u << bits) : 0;
    const uint64_t table = kFileHeader + (infoSize >= 108 ? 40 : infoSize) + colors * colorSize;
    const uint64_t rowBytes = (uint64_t(width) * bits + 31) / 32 * 4;
    header.complete = (offset > table ? offset : table) + rowBytes * uint64_t(rows) <= bytes.size();
    return header;
}

QImage Unloadable(const std::string& path) {
    Log(LogPoint{"ReadSkinImageFile", kLogInfo}, "Cannot load skin image: %s", path.c_str());
    return {};
}

}  // namespace

QImage ReadSkinImageFile(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, kMaxSkinImageFileSize, bytes)) return Unloadable(path);
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(static_cast<int>(kMaxSkinImageBytes / (1024 * 1024)));
    const QByteArray format = reader.format();
    if (format != "bmp" && format != "png") return Unloadable(path);
    if (format == "bmp") {
        const BitmapHeader header = ReadBitmapHeader(bytes);
        if (header.size.isValid() && !WithinLimits(header.size)) {
            return TooLarge(path, header.size);
        }
        if (!header.complete) return Unloadable(path);
    }
    const QSize claimed = reader.size();
    if (claimed.isValid() && !WithinLimits(claimed)) return TooLarge(path, claimed);
    QImage image = reader.read();
    if (image.isNull()) return Unloadable(path);
    if (!WithinLimits(image.size())) return TooLarge(path, image.size());
    // The decoded image owns its pixels; `bytes` may go.
    return image;
}

}  // namespace zvp
