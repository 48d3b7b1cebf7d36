#pragma once

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "app/ISubject.h"
#include "playlist/CControlCenter.h"

class QSocketNotifier;

namespace zvp {

class CInstanceChecker;
class CMainWnd;

// The player's application object: the Qt application, the single-instance guard, the control
// centre and the main window, and the start-up that ties them together. Publishes
// "AppInitial" (0, 0) once start-up has created the main window.
//
// Destruction order: the main window first (the engine's widget is taken out of it before, as
// the control centre owns it), then the control centre, then the single-instance socket, and
// the QApplication last.
//
// Threads: UI thread only. One object per process (Instance()).
class CPellApp : public ISubject {
  public:
    // Makes the QApplication unless one exists; `argc`/`argv` must outlive the object (Qt
    // keeps them). Blocks SIGTERM, SIGINT and SIGHUP in the calling thread, which should be
    // the only one yet.
    CPellApp(int& argc, char** argv);
    ~CPellApp() override;
    CPellApp(const CPellApp&) = delete;
    CPellApp& operator=(const CPellApp&) = delete;

    // The one application object; null outside its lifetime.
    static CPellApp* Instance();

    // Start-up. False when the process should end at once: another player runs (it was
    // asked to come forward; ExitCode() 0) or the main window could not be made (1).
    bool InitInstance();
    int ExitCode() const { return exitCode_; }
    // Runs the event loop until the main window closes; the loop's exit code.
    int Exec();

    CMainWnd* GetMainWindow() const { return mainWnd_.get(); }
    CControlCenter& GetControlCenter() { return controlCenter_; }

    static std::string GetProductAbbreviation();
    static std::string GetProductName();
    static std::string GetWindowClassName();
    static std::string GetVersionText();

    // The command-line paths start-up keeps: those that exist, made absolute, in order.
    static std::vector<std::string> ExistingPaths(const std::vector<std::string>& args);

  private:
    void OpenLog();
    void OpenCommandLineFiles();
    // SIGTERM, SIGINT and SIGHUP close the main window as its Exit command does.
    void WatchTerminationSignals();

    std::unique_ptr<QApplication> app_;  // first: made first, destroyed last; null if not ours
    std::unique_ptr<CInstanceChecker> checker_;
    CControlCenter controlCenter_;
    std::unique_ptr<CMainWnd> mainWnd_;
    std::vector<std::string> args_;  // the command line after the program and Qt's options
    int signalFd_ = -1;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    int exitCode_ = 0;
};

}  // namespace zvp
