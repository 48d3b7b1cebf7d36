#include "skin/SkinImageFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

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
    const QSize claimed = reader.size();
    if (claimed.isValid() && !WithinLimits(claimed)) return TooLarge(path, claimed);
    QImage image = reader.read();
    if (image.isNull()) return Unloadable(path);
    if (!WithinLimits(image.size())) return TooLarge(path, image.size());
    // The decoded image owns its pixels; `bytes` may go.
    return image;
}

}  // namespace zvp
