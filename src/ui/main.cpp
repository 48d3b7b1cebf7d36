// The player: start-up, the event loop until the main window closes, then shutdown.
#include <cstdio>

#include "app/AllocatorTuning.h"
#include "app/VersionText.h"
#include "ui/CPellApp.h"
#include "ui/CommandLine.h"

int main(int argc, char** argv) {
    zvp::SetAllocatorThresholds();
    // --help and --version answer before anything needs a display.
    const zvp::CommandLine::Parsed early = zvp::CommandLine::Parse(argc, argv);
    if (early.action == zvp::CommandLine::Action::kHelp) {
        std::fputs(zvp::CommandLine::UsageText().c_str(), stdout);
        return 0;
    }
    if (early.action == zvp::CommandLine::Action::kVersion) {
        std::printf("zvp %s\n", zvp::GetVersionText().c_str());
        return 0;
    }
    zvp::CPellApp app(argc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    return app.Exec();
}
