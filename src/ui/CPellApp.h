#pragma once

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "app/ISubject.h"
#include "playlist/CControlCenter.h"
#include "ui/CommandLine.h"

class QSocketNotifier;

namespace zvp {

class CInstanceChecker;
class CMainWnd;
class CMprisService;

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
    // keeps them). Qt takes its options only from the arguments before a "--". Blocks SIGTERM,
    // SIGINT and SIGHUP in the calling thread, which should be the only one yet.
    CPellApp(int& argc, char** argv);
    ~CPellApp() override;
    CPellApp(const CPellApp&) = delete;
    CPellApp& operator=(const CPellApp&) = delete;

    // The one application object; null outside its lifetime.
    static CPellApp* Instance();

    // Start-up. False when the process should end at once: another player runs (it was
    // asked to come forward, or given the files with --enqueue; ExitCode() 0) or the main
    // window could not be made (1).
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

    // Appends the files and folders of `arguments` as a Ctrl-drop does (another start's
    // --enqueue); returns the number of rows added.
    int EnqueueFiles(const std::vector<std::string>& arguments);

  private:
    void OpenLog();
    void OpenCommandLineFiles();
    // SIGTERM, SIGINT and SIGHUP close the main window as its Exit command does.
    void WatchTerminationSignals();

    int qtArgc_;                         // argv's entries before a "--"
    std::vector<std::string> trailing_;  // the arguments after a "--", taken before Qt edits argv
    std::unique_ptr<QApplication> app_;  // made first of the objects, destroyed last; null if
                                         // not ours
    std::unique_ptr<CInstanceChecker> checker_;
    CControlCenter controlCenter_;
    std::unique_ptr<CMainWnd> mainWnd_;
    std::unique_ptr<CMprisService> mpris_;  // after the window: goes before it
    CommandLine::Parsed commandLine_;       // after the program's and Qt's options
    int signalFd_ = -1;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    int exitCode_ = 0;
};

}  // namespace zvp
