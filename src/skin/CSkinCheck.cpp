#include "skin/CSkinCheck.h"

namespace zvp {

bool CSkinCheck::CreateCheck(QWidget* parent, int left, int top, int width, int height, Image image,
                             int normal, int hover, int pressed, int fourth, int checkedNormal,
                             int checkedHover, int checkedPressed, int checkedFourth) {
    if (!CreateButton(parent, left, top, width, height, std::move(image), normal, hover, pressed,
                      fourth)) {
        return false;
    }
    checkedPieces_ = {checkedNormal, checkedHover, checkedPressed, checkedFourth};
    return true;
}

void CSkinCheck::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    update();
}

const CSkinButton::Pieces& CSkinCheck::CurrentPieces() const {
    return checked_ ? checkedPieces_ : CSkinButton::CurrentPieces();
}

}  // namespace zvp
