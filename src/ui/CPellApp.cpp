#include "ui/CPellApp.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/CAppFolder.h"
#include "app/CInstanceChecker.h"
#include "app/CrashHandler.h"
#include "app/Logger.h"
#include "app/VersionText.h"
#include "graph/CRendererFactory.h"
#include "playlist/PlaylistRandom.h"
#include "ui/AppIcon.h"
#include "ui/AppTexts.h"
#include "ui/CMainWnd.h"
#include "ui/CMprisService.h"

namespace zvp {

namespace {

CPellApp* theApp = nullptr;

// The signals that end the player cleanly, blocked in every thread so that only the
// signalfd reads them. Called before any thread exists.
sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

// The process's QApplication, or null when one exists already (a test's).
std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A peer that hangs up fails a write with EPIPE instead of ending the player.
    ::signal(SIGPIPE, SIG_IGN);
    if (QApplication::instance()) return nullptr;
    // X11 semantics (positioned and stay-on-top windows) under a Wayland session, unless the
    // user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication::setApplicationName(QString::fromUtf8(kWindowClassName));
    QApplication::setOrganizationName(QString::fromUtf8(kProductAbbreviation));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kProductName));
    QApplication::setDesktopFileName(QStringLiteral("zvp"));
    auto app = std::make_unique<QApplication>(argc, argv);
    app->setQuitOnLastWindowClosed(false);
    return app;
}

// The arguments after the first "--" of argv (Qt never sees them).
std::vector<std::string> TrailingArguments(int argc, char** argv) {
    std::vector<std::string> trailing;
    for (int i = CommandLine::OptionCount(argc, argv) + 1; i < argc; ++i) {
        trailing.emplace_back(argv[i]);
    }
    return trailing;
}

}  // namespace

CPellApp::CPellApp(int& argc, char** argv)
    : qtArgc_(CommandLine::OptionCount(argc, argv)),
      trailing_(TrailingArguments(argc, argv)),
      app_(MakeApplication(qtArgc_, argv)) {
    theApp = this;
    // QApplication has taken its own options out; the rest are paths, kept as bytes.
    std::vector<std::string> args;
    for (int i = 1; i < qtArgc_; ++i) args.emplace_back(argv[i]);
    if (!trailing_.empty()) {
        args.emplace_back("--");
        args.insert(args.end(), trailing_.begin(), trailing_.end());
    }
    commandLine_ = CommandLine::Parse(args);
}

CPellApp::~CPellApp() {
    mpris_.reset();
    if (mainWnd_) {
        // The engine's widget belongs to the control centre, not to the window it sits in.
        QWidget& engine = controlCenter_.GetController().GetEngine();
        engine.hide();
        engine.setParent(nullptr);
        controlCenter_.SetDialogs(nullptr);
        mainWnd_.reset();
    }
    signalNotifier_.reset();
    if (signalFd_ >= 0) ::close(signalFd_);
    theApp = nullptr;
}

CPellApp* CPellApp::Instance() {
    return theApp;
}

std::string CPellApp::GetProductAbbreviation() {
    return kProductAbbreviation;
}

std::string CPellApp::GetProductName() {
    return kProductName;
}

std::string CPellApp::GetWindowClassName() {
    return kWindowClassName;
}

std::string CPellApp::GetVersionText() {
    return zvp::GetVersionText();
}

void CPellApp::OpenLog() {
    const std::string folder = CAppFolder::EnsureFolder(CAppFolder::GetTemp());
    char path[4096];
    std::snprintf(path, sizeof(path), "%s%s.log", folder.c_str(), kProductAbbreviation);
    Logger& log = Logger::Instance();
    if (log.OpenLogFile(path)) log.SetFileOutput(true);
}

bool CPellApp::InitInstance() {
    // The version text only reads the version INI, so installing this early is harmless.
    InstallCrashHandler(GetVersionText());
    checker_ = std::make_unique<CInstanceChecker>();
    if (commandLine_.enqueue) {
        checker_->SetEnqueueRequest(CommandLine::ResolveArguments(commandLine_.arguments).paths);
    }
    if (checker_->Start() == CInstanceChecker::Role::kSecond) {
        if (!commandLine_.enqueue) {
            std::fputs(CInstanceChecker::kAlreadyRunningMessage, stderr);
        } else if (checker_->AddedCount() >= 0) {
            std::printf("zvp: already running; added %d files\n", checker_->AddedCount());
        } else {
            std::fputs("zvp: already running; it did not take the files\n", stderr);
        }
        checker_.reset();
        exitCode_ = 0;
        return false;
    }

    OpenLog();
    Log(LogPoint{"CPellApp::InitInstance", kLogInfo}, "ZVP(%s) initializing...",
        GetVersionText().c_str());

    QApplication::setWindowIcon(AppIcon());
    mainWnd_ = std::make_unique<CMainWnd>(controlCenter_);
    if (!mainWnd_->CreateMainWindow()) {
        Log(LogPoint{"CPellApp::InitInstance", kLogError}, "Cannot create the main window");
        exitCode_ = 1;
        return false;
    }
    // Files are probed off the UI thread: a slow disc or a big file never freezes the window.
    controlCenter_.GetController().GetEngine().SetBackgroundLoad(true);
    QObject::connect(mainWnd_.get(), &CMainWnd::Closed, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
    checker_->SetRaiseHandler(CInstanceChecker::MakeWidgetRaiser(mainWnd_.get()));
    checker_->SetEnqueueHandler(
        [this](const std::vector<std::string>& paths) { return EnqueueFiles(paths); });
    mpris_ = std::make_unique<CMprisService>(controlCenter_, mainWnd_.get());
    mpris_->Register();
    WatchTerminationSignals();

    PlaylistRandom::Seed(static_cast<uint32_t>(std::time(nullptr)));
    Notify("AppInitial", 0, 0);
    // The video driver loads while the first file waits out the clip-shift delay, not after.
    QTimer::singleShot(0, qApp, [] { CRendererFactory::Prepare(); });
    OpenCommandLineFiles();
    Log(LogPoint{"CPellApp::InitInstance", kLogInfo}, "Application initialized.");
    return true;
}

int CPellApp::Exec() {
    return QApplication::exec();
}

void CPellApp::OpenCommandLineFiles() {
    const CommandLine::OpenList list = CommandLine::ResolveArguments(commandLine_.arguments);
    if (list.paths.empty()) return;
    IPlaylistAdapter* adapter = controlCenter_.GetAdapter();
    const auto count = [adapter] { return adapter ? adapter->GetCount() : 0; };
    const auto current = list.paths.begin() + list.current;
    const int before = count();
    if (current != list.paths.begin()) {
        controlCenter_.OpenFiles(std::vector<std::string>(list.paths.begin(), current), true);
    }
    const int first = count();
    controlCenter_.OpenFiles(std::vector<std::string>(current, list.paths.end()), true);
    const int after = count();
    if (after <= before) return;
    // The current argument's row plays (a playlist's last row), whatever the loop mode's idea
    // of "last" is.
    const bool playlist = current->size() > 4 && current->ends_with(".mpl");
    controlCenter_.JumpTo(playlist || first >= after ? after - 1 : first);
}

int CPellApp::EnqueueFiles(const std::vector<std::string>& arguments) {
    const CommandLine::OpenList list = CommandLine::ResolveArguments(arguments);
    IPlaylistAdapter* adapter = controlCenter_.GetAdapter();
    if (list.paths.empty() || !adapter) return 0;
    const int before = adapter->GetCount();
    controlCenter_.OpenFiles(list.paths, true);
    return adapter->GetCount() - before;
}

void CPellApp::WatchTerminationSignals() {
    const sigset_t set = TerminationSignals();
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd_ < 0) return;
    signalNotifier_ = std::make_unique<QSocketNotifier>(signalFd_, QSocketNotifier::Read);
    QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, [this] {
        signalfd_siginfo info{};
        while (::read(signalFd_, &info, sizeof(info)) == sizeof(info)) {
            Log(LogPoint{"CPellApp::WatchTerminationSignals", kLogInfo}, "Signal %u: closing",
                info.ssi_signo);
            if (mainWnd_) mainWnd_->CloseSequence();
        }
    });
}

}  // namespace zvp
