#include "skin/CMemDC2.h"

#include <utility>

namespace zvp {

CMemDC2::CMemDC2(QPixmap pixmap, QSize logicalSize)
    : pixmap_(std::move(pixmap)), size_(pixmap_.isNull() ? QSize(0, 0) : logicalSize) {}

std::shared_ptr<const CMemDC2> CMemDC2::Empty() {
    return std::make_shared<const CMemDC2>();
}

}  // namespace zvp
