#include "skin/SkinExport.h"

#include <QImage>
#include <QString>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/CAppIni.h"
#include "app/Logger.h"
#include "skin/BuiltinSkin.h"
#include "skin/CSkinImageCache.h"
#include "skin/SkinFile.h"

namespace zvp {
namespace {

constexpr LogPoint kExportLog{"ExportBuiltinSkin", kLogInfo};

// "20012-stop.png" for ":/skin/20012-stop.svg".
std::string PngName(const BuiltinArt& art) {
    std::string name = std::filesystem::path(art.path).stem().string();
    return name + ".png";
}

bool WriteArt(const std::filesystem::path& folder, const BuiltinArt& art) {
    const CSkinImageCache::Image image = CSkinImageCache::RenderArt(art.id, 1.0);
    const std::string path = (folder / PngName(art)).string();
    if (!image || image->IsEmpty() ||
        !image->pixmap().toImage().save(QString::fromStdString(path), "PNG")) {
        Log(kExportLog, "Cannot write skin image: %s", path.c_str());
        return false;
    }
    return true;
}

std::string ColorText(uint32_t color) {
    std::ostringstream text;
    text << int(ColorRed(color)) << ", " << int(ColorGreen(color)) << ", " << int(ColorBlue(color));
    return text.str();
}

void WriteColor(std::ostream& out, const char* key, const std::optional<uint32_t>& color) {
    if (color) out << key << "=" << ColorText(*color) << "\n";
}

void WriteImage(std::ostream& out, const char* key, int id) {
    if (const BuiltinArt* art = FindBuiltinArt(id)) out << key << "=" << PngName(*art) << "\n";
}

void WriteCtrl(std::ostream& out, const BuiltinCtrl& ctrl) {
    const SkinCtrlValues values = BuiltinCtrlValues(ctrl);
    out << "\n[" << ctrl.section << "]\n";
    WriteImage(out, "image", ctrl.imageId);
    if (ctrl.imageId) out << "image_pieces=" << values.imagePieces << "\n";
    out << "left=" << values.left << "\ntop=" << values.top << "\nwidth=" << values.width
        << "\nheight=" << values.height << "\n";
    switch (ctrl.kind) {
        case SkinCtrlKind::kSlider:
            out << "horz=" << (values.horizontal ? 1 : 0) << "\n";
            WriteImage(out, "box_image", ctrl.boxImageId);
            break;
        case SkinCtrlKind::kSizer:
            WriteImage(out, "box_image", ctrl.boxImageId);
            out << "box_pieces=" << values.boxPieces << "\n";
            WriteColor(out, "background_color", values.backgroundColor);
            break;
        case SkinCtrlKind::kString:
            out << "font_width=" << values.fontWidth << "\nfont_height=" << values.fontHeight
                << "\n";
            WriteColor(out, "text_color", values.textColor);
            WriteColor(out, "text_focus_color", values.textFocusColor);
            WriteColor(out, "background_color", values.backgroundColor);
            break;
        case SkinCtrlKind::kList:
            WriteColor(out, "text_color", values.textColor);
            WriteColor(out, "text_background_color", values.textBackgroundColor);
            WriteColor(out, "text_error_color", values.textErrorColor);
            WriteColor(out, "text_highlight_color", values.textHighlightColor);
            WriteColor(out, "text_highlight_background_color", values.textHighlightBackgroundColor);
            break;
        default:
            break;
    }
}

}  // namespace

bool ExportBuiltinSkin(const std::string& folder) {
    const std::filesystem::path dir(folder);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        Log(kExportLog, "Cannot create skin folder: %s", folder.c_str());
        return false;
    }
    for (const BuiltinArt& art : kBuiltinArt) {
        if (!WriteArt(dir, art)) return false;
    }

    std::ostringstream ini;
    ini << "# A copy of the built-in skin. Image names are relative to this file's folder;\n"
        << "# a section or key left out keeps the built-in value.\n"
        << "\n[window]\n";
    WriteImage(ini, "image", kBuiltinFrameArt);
    for (size_t i = 0; i < kFramePieceKeys.size(); ++i) {
        const SkinRect& piece = kBuiltinFramePieces[i];
        ini << kFramePieceKeys[i] << "=" << piece.x << ", " << piece.y << ", " << piece.width
            << ", " << piece.height << "\n";
    }
    ini << "\n[" << kFullScreenWindowSection << "]\n";
    WriteImage(ini, "image", 132);
    for (const SkinSection& section : kMainWindowSections) {
        if (const BuiltinCtrl* ctrl = FindBuiltinCtrl(section.name)) WriteCtrl(ini, *ctrl);
    }

    const std::string path = (dir / kExportedSkinFile).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ini.str();
    out.close();
    if (!out) {
        Log(kExportLog, "Cannot write skin file: %s", path.c_str());
        return false;
    }
    return true;
}

}  // namespace zvp
