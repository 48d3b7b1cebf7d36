#pragma once

#include <QPixmap>
#include <QSize>
#include <memory>

namespace zvp {

// An image ready for drawing: a pixmap and its size in logical pixels. The pixmap carries its
// device pixel ratio (built-in art is rendered at the window's ratio, image files are 1:1), so
// the pixmap is logical size × ratio device pixels. Empty: no pixels and size 0 × 0.
//
// Caches and controls share images as std::shared_ptr<const CMemDC2>; an image stays valid for
// as long as anyone holds it. UI thread only (QPixmap).
class CMemDC2 {
  public:
    CMemDC2() = default;
    CMemDC2(QPixmap pixmap, QSize logicalSize);

    // An empty image, shared.
    static std::shared_ptr<const CMemDC2> Empty();

    bool IsEmpty() const { return pixmap_.isNull() || size_.isEmpty(); }
    const QPixmap& pixmap() const { return pixmap_; }
    // For an off-screen buffer its owner draws into.
    QPixmap& pixmap() { return pixmap_; }
    QSize Size() const { return size_; }
    int Width() const { return size_.width(); }
    int Height() const { return size_.height(); }
    qreal DevicePixelRatio() const { return pixmap_.isNull() ? 1.0 : pixmap_.devicePixelRatio(); }

  private:
    QPixmap pixmap_;
    QSize size_{0, 0};
};

}  // namespace zvp
