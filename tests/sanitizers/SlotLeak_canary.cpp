// A deliberate leak that LeakSanitizer must report through the project's suppressions: a
// block of ours allocated inside a Qt slot (called from the event loop, so every frame above
// it is Qt's) and then forgotten. If the suppressions hide this leak they also hide the same
// mistake in any slot of the player.
//
// Exit status: 0 once the slot ran (the report itself is checked by expect-report.sh).
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace {

struct CanaryBlock {
    char bytes[96];
};

// Holds the newest block only until the next slot call overwrites it; the last one is
// dropped before exit, so every block ends unreachable.
CanaryBlock* volatile g_latest = nullptr;
int g_calls = 0;

__attribute__((noinline)) void CanaryLeakInSlot() {
    g_latest = new CanaryBlock{};
    ++g_calls;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, &app, [&] {
        CanaryLeakInSlot();
        if (g_calls >= 4) app.quit();
    });
    timer.start();
    app.exec();
    g_latest = nullptr;
    std::fprintf(stderr, "canary: slot ran %d times\n", g_calls);
    return g_calls >= 4 ? 0 : 2;
}
