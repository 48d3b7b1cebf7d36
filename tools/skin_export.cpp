// skin_export FOLDER: writes the built-in skin into FOLDER as Default-copy.ini and its PNG
// strips, a starting point for a skin of one's own (tools/skin-export runs it).
#include <QGuiApplication>
#include <cstdio>
#include <string>

#include "app/Logger.h"
#include "skin/SkinExport.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // Nothing is shown: the art only needs pixmaps.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    zvp::Logger::Instance().SetFileOutput(false);
    const std::string folder = argv[1];
    if (!zvp::ExportBuiltinSkin(folder)) {
        std::fprintf(stderr, "cannot export the built-in skin into %s\n", folder.c_str());
        return 1;
    }
    std::printf("%s/%s\n", folder.c_str(), zvp::kExportedSkinFile);
    return 0;
}
