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

SkinCtrlSpec BuiltinCtrlSpec(const BuiltinCtrl& ctrl) {
    SkinCtrlSpec spec;
    spec.image.resourceId = ctrl.imageId;
    if (const BuiltinArt* art = FindBuiltinArt(ctrl.imageId)) spec.imagePieces = art->pieces;
    spec.left = ctrl.geometry.x;
    spec.top = ctrl.geometry.y;
    spec.width = ctrl.geometry.width;
    spec.height = ctrl.geometry.height;
    spec.horizontal = ctrl.horizontal;
    spec.boxImage.resourceId = ctrl.boxImageId;
    spec.boxPieces = ctrl.boxPieces;
    spec.fontWidth = ctrl.fontWidth;
    spec.fontHeight = ctrl.fontHeight;
    switch (ctrl.kind) {
        case SkinCtrlKind::kSizer:
            spec.backgroundColor = kSizerBackgroundColor;
            break;
        case SkinCtrlKind::kString:
            spec.textColor = kStringTextColor;
            spec.textFocusColor = kStringFocusColor;
            spec.backgroundColor = kStringBackgroundColor;
            break;
        case SkinCtrlKind::kList:
            spec.textColor = kListTextColor;
            spec.textBackgroundColor = kListTextBackgroundColor;
            spec.textErrorColor = kListErrorColor;
            spec.textHighlightColor = kListHighlightColor;
            spec.textHighlightBackgroundColor = kListHighlightBackgroundColor;
            break;
        default:
            break;
    }
    return spec;
}

SkinWindowSpec BuiltinWindowSpec() {
    SkinWindowSpec spec;
    spec.image.resourceId = kBuiltinFrameArt;
    spec.pieces = kBuiltinFramePieces;
    return spec;
}

}  // namespace zvp
