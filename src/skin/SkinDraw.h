#pragma once

#include <QPoint>
#include <QRect>

class QPainter;

namespace zvp {

class CMemDC2;

// Drawing images by logical pixels. Source rectangles are in the image's logical pixels and
// are clipped to the image; they are scaled by the image's device pixel ratio before Qt reads
// the pixmap. A source or target with a side of zero or less draws nothing. UI thread.

// Copies the part of `source` that lies inside `image` to `painter`, with the source's
// top-left corner at `target` (a clipped-off left or top edge shifts the drawing along).
void DrawSkinImage(QPainter& painter, QPoint target, const CMemDC2& image, const QRect& source);

// Fills `target` with copies of the part of `source` inside `image`, side by side and row by
// row from the target's top-left corner; the last copies are cut at the target's edges.
void DrawSkinTiles(QPainter& painter, const QRect& target, const CMemDC2& image,
                   const QRect& source);

}  // namespace zvp
