#include "skin/CSkinImageCache.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cmath>

#include "app/Logger.h"
#include "skin/BuiltinSkin.h"
#include "skin/SkinImageFile.h"

namespace zvp {

CSkinImageCache::Image CSkinImageCache::RenderArt(int id, qreal devicePixelRatio) {
    const BuiltinArt* art = FindBuiltinArt(id);
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QSvgRenderer renderer;
    if (!art || !renderer.load(QString::fromLatin1(art->path))) {
        const std::string name = art ? art->path : ":/skin/" + std::to_string(id);
        Log(LogPoint{"CSkinImageCache::RenderArt", kLogError}, "Cannot load skin image: %s",
            name.c_str());
        return CMemDC2::Empty();
    }
    const QSizeF device(art->width * ratio, art->height * ratio);
    QImage image(static_cast<int>(std::ceil(device.width())),
                 static_cast<int>(std::ceil(device.height())), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), device));
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(ratio);
    return std::make_shared<const CMemDC2>(std::move(pixmap), QSize(art->width, art->height));
}

CSkinImageCache::Image CSkinImageCache::Resource(int id, qreal devicePixelRatio) {
    Image& slot = resources_[{id, devicePixelRatio}];
    if (!slot) slot = RenderArt(id, devicePixelRatio);
    return slot;
}

CSkinImageCache::Image CSkinImageCache::File(const std::string& path) {
    Image& slot = files_[path];
    if (!slot) {
        QImage image = ReadSkinImageFile(path);
        image.setDevicePixelRatio(1.0);
        slot = image.isNull()
                   ? CMemDC2::Empty()
                   : std::make_shared<const CMemDC2>(QPixmap::fromImage(image), image.size());
    }
    return slot;
}

CSkinImageCache::Image CSkinImageCache::Load(const SkinImageSource& source,
                                             qreal devicePixelRatio) {
    if (source.resourceId != 0) return Resource(source.resourceId, devicePixelRatio);
    if (!source.file.empty()) return File(source.file);
    return nullptr;
}

void CSkinImageCache::Clear() {
    resources_.clear();
    files_.clear();
}

}  // namespace zvp
