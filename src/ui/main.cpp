// The player: start-up, the event loop until the main window closes, then shutdown.
#include "ui/CPellApp.h"

int main(int argc, char** argv) {
    zvp::CPellApp app(argc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    return app.Exec();
}
