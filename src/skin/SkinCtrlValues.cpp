#include "skin/SkinCtrlValues.h"

namespace zvp {

const char* SkinCtrlTypeName(SkinCtrlKind kind) {
    switch (kind) {
        case SkinCtrlKind::kButton:
            return "Button";
        case SkinCtrlKind::kCheck:
            return "Check";
        case SkinCtrlKind::kList:
            return "List";
        case SkinCtrlKind::kScreen:
            return "Screen";
        case SkinCtrlKind::kSizer:
            return "Sizer";
        case SkinCtrlKind::kSlider:
            return "Slider";
        case SkinCtrlKind::kString:
            return "String";
    }
    return "";
}

SkinRect SkinCtrlValues::Geometry(int stripWidth, int stripHeight) const {
    SkinRect rect{left, top, width, height};
    if (rect.width == 0) {
        rect.width = right < 0 ? right : (imagePieces > 0 ? stripWidth / imagePieces : 0);
    }
    if (rect.height == 0) rect.height = bottom < 0 ? bottom : stripHeight;
    return rect;
}

}  // namespace zvp
