// A stand-in player start for the single-instance tests, run as a child process:
//   instance_start_probe <name>
// Prints "ready", waits for a line on standard input, runs CInstanceChecker::Start(<name>) and
// prints "first", "second answered" or "second silent". A first instance then serves raise
// requests, printing "raised" for each, until standard input reaches its end.
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>

#include "app/CInstanceChecker.h"

namespace {

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Reads up to and including the next line feed; false at the end of the input.
bool ReadLine() {
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1) {
        if (c == '\n') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    zvp::CInstanceChecker checker;
    Say("ready");
    if (!ReadLine()) return 3;
    if (checker.Start(argv[1]) == zvp::CInstanceChecker::Role::kSecond) {
        Say(checker.OtherAnswered() ? "second answered" : "second silent");
        return 0;
    }
    Say(checker.IsFirstInstance() ? "first" : "first unguarded");
    checker.SetRaiseHandler([] { Say("raised"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        if (!ReadLine()) app.quit();
    });
    return app.exec();
}
