#include "skin/SkinDraw.h"

#include <QPainter>
#include <QPixmap>
#include <QRectF>

#include "skin/CMemDC2.h"

namespace zvp {
namespace {

// The part of `source` inside the image; empty when nothing is left.
QRect ClipToImage(const QRect& source, const CMemDC2& image) {
    if (image.IsEmpty() || source.width() <= 0 || source.height() <= 0) return {};
    return source.intersected(QRect(QPoint(0, 0), image.Size()));
}

QRectF ToDevice(const QRect& logical, qreal ratio) {
    return QRectF(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio,
                  logical.height() * ratio);
}

}  // namespace

void DrawSkinImage(QPainter& painter, QPoint target, const CMemDC2& image, const QRect& source) {
    const QRect part = ClipToImage(source, image);
    if (part.isEmpty()) return;
    const QPoint at = target + (part.topLeft() - source.topLeft());
    painter.drawPixmap(QRectF(at, part.size()), image.pixmap(),
                       ToDevice(part, image.DevicePixelRatio()));
}

void DrawSkinTiles(QPainter& painter, const QRect& target, const CMemDC2& image,
                   const QRect& source) {
    const QRect part = ClipToImage(source, image);
    if (part.isEmpty() || target.width() <= 0 || target.height() <= 0) return;
    const qreal ratio = image.DevicePixelRatio();
    QPixmap tile = image.pixmap().copy(ToDevice(part, ratio).toAlignedRect());
    if (tile.isNull()) return;
    tile.setDevicePixelRatio(ratio);
    painter.drawTiledPixmap(target, tile);
}

}  // namespace zvp
