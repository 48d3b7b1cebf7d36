// Faultpost: started by the player's crash handler as
//   Faultpost <program file name> <version> <folder of ERRORLOG.TXT and CRASH.DMP>
// Shows the crash dialog; without a display it prints the folder on stderr instead.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "faultpost/CFaultpostDialog.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: Faultpost <program> <version> <report folder>\n", stderr);
        return 2;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "%s\n", argv[3]);
        return 0;
    }
    // Taken before QApplication, which removes the arguments it recognises.
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString version = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    QApplication app(argc, argv);
    zvp::CFaultpostDialog dialog(program, version, folder);
    dialog.exec();
    return 0;
}
