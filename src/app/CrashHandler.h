#pragma once

#include <signal.h>

#include <string>

namespace zvp {

// The crash reporter. A fault signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) that reaches
// the handler writes ERRORLOG.TXT (UTF-16LE text) and CRASH.DMP (a minidump) into the Temp
// folder, starts "Faultpost" from the program folder with the program's file name, the
// version text and the Temp folder, then ends the process by the same signal at its default
// action (a core is dumped where the system allows).
//
// Everything the handler needs is computed at install into static storage; the handler
// allocates nothing and makes only async-signal-safe calls. The report carries the exception
// code of the fault (0xC0000005 for an access violation, ...); the dump's exception record
// holds the signal number and si_code instead, as readers of Linux dumps expect.

// Installs the handlers once for the life of the process; later calls change nothing and
// return the first result. Also makes the calling thread's alternate stack. Call early on the
// main thread, before other threads start. False when a handler could not be installed.
bool InstallCrashHandler(const std::string& versionText);

// Gives the calling thread a 64 KiB alternate signal stack (mmap'd, with a guard page below),
// so that a stack overflow on it is still reported. Disabled and unmapped when the thread
// exits. Threads we create call it first thing; a second call on the same thread does
// nothing. Threads that never call it (FFmpeg's, SDL's, the GL driver's) have no alternate
// stack, so a stack overflow there ends the process with no report. False when the stack
// could not be made. Any thread.
bool PrepareCrashHandlerThread();

// The signal handler itself: writes the report and the dump for the fault described by the
// arguments, starts Faultpost, and returns with the signal re-raised at its default action
// (so the process ends as soon as the handler returns). The first thread in writes; any other
// thread waits until the process ends; a re-entry on the writing thread ends the process.
void RecordExceptionInfo(int signo, siginfo_t* info, void* ucontext);

// For tests: a function the handler calls while the report file is open, to fault inside the
// writer. Null by default.
void SetCrashHandlerTestHook(void (*hook)());

}  // namespace zvp
