#include "skin/BuiltinSkin.h"

#include "app/IniDocument.h"

namespace zvp {

const BuiltinArt* FindBuiltinArt(int id) {
    for (const BuiltinArt& art : kBuiltinArt) {
        if (art.id == id) return &art;
    }
    return nullptr;
}

const BuiltinCtrl* FindBuiltinCtrl(std::string_view section) {
    const IniNameLess less;
    for (const BuiltinCtrl& ctrl : kBuiltinCtrls) {
        if (!less(section, ctrl.section) && !less(ctrl.section, section)) return &ctrl;
    }
    return nullptr;
}

SkinCtrlValues BuiltinCtrlValues(const BuiltinCtrl& ctrl) {
    SkinCtrlValues values;
    values.image.resourceId = ctrl.imageId;
    if (const BuiltinArt* art = FindBuiltinArt(ctrl.imageId)) values.imagePieces = art->pieces;
    values.left = ctrl.geometry.x;
    values.top = ctrl.geometry.y;
    values.width = ctrl.geometry.width;
    values.height = ctrl.geometry.height;
    values.horizontal = ctrl.horizontal;
    values.boxImage.resourceId = ctrl.boxImageId;
    values.boxPieces = ctrl.boxPieces;
    values.fontWidth = ctrl.fontWidth;
    values.fontHeight = ctrl.fontHeight;
    switch (ctrl.kind) {
        case SkinCtrlKind::kSizer:
            values.backgroundColor = kSizerBackgroundColor;
            break;
        case SkinCtrlKind::kString:
            values.textColor = kStringTextColor;
            values.textFocusColor = kStringFocusColor;
            values.backgroundColor = kStringBackgroundColor;
            break;
        case SkinCtrlKind::kList:
            values.textColor = kListTextColor;
            values.textBackgroundColor = kListTextBackgroundColor;
            values.textErrorColor = kListErrorColor;
            values.textHighlightColor = kListHighlightColor;
            values.textHighlightBackgroundColor = kListHighlightBackgroundColor;
            break;
        default:
            break;
    }
    return values;
}

SkinWindowValues BuiltinWindowValues() {
    SkinWindowValues values;
    values.image.resourceId = kBuiltinFrameArt;
    values.pieces = kBuiltinFramePieces;
    return values;
}

}  // namespace zvp
