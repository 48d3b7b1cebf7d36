#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CAppIni.h"
#include "app/IniDocument.h"
#include "skin/CMemDC2.h"
#include "skin/SkinFile.h"

namespace zvp::test {

// The image as the screen would get it: the pixmap's device pixels, 32-bit ARGB.
inline QImage DevicePixels(const CMemDC2& image) {
    return image.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colours of resources/skin/palette.txt, read as a skin file reads colours.
inline std::vector<QColor> Palette() {
    const char* source = std::getenv("ZVP_SOURCE_DIR");
    IniDocument palette;
    ReadSkinFile(std::string(source ? source : ".") + "/resources/skin/palette.txt", palette);
    std::vector<QColor> colors;
    if (const IniDocument::Values* values = palette.FindSection("palette")) {
        for (const auto& [name, text] : *values) {
            if (const std::optional<uint32_t> c = ParseSkinColor(text)) {
                colors.emplace_back(ColorRed(*c), ColorGreen(*c), ColorBlue(*c));
            }
        }
    }
    return colors;
}

}  // namespace zvp::test
