#include "skin/CSkinButton.h"

namespace zvp {

bool CSkinButton::CreateButton(QWidget* parent, int left, int top, int width, int height,
                               Image image, int normal, int hover, int pressed, int fourth) {
    if (!CreateCtrl(parent, left, top, width, height, std::move(image), QPoint(width * normal, 0),
                    QPoint(width * hover, 0), QPoint(width * fourth, 0))) {
        return false;
    }
    pieces_ = {normal, hover, pressed, fourth};
    return true;
}

QPoint CSkinButton::SourcePoint() const {
    const Pieces& pieces = CurrentPieces();
    const int pieceWidth = GetWidth() > 0 ? GetWidth() : width();
    const auto at = [pieceWidth](int index) {
        return index < 0 ? QPoint(-1, -1) : QPoint(index * pieceWidth, 0);
    };
    QPoint point = at(pieces[0]);
    switch (GetVisualState()) {
        case kHover: {
            const QPoint hover = at(pieces[1]);
            int x = hover.x();
            int y = hover.y();
            AdjustHoverSource(x, y);
            if (x != -1) point = QPoint(x, y == -1 ? point.y() : y);
            break;
        }
        case kPressed:
            if (pieces[2] >= 0) point = at(pieces[2]);
            break;
        case kFourth:
            if (pieces[3] >= 0) point = at(pieces[3]);
            break;
        case kNormal:
            break;
    }
    return point;
}

}  // namespace zvp
