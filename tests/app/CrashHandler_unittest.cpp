// Runs crash_child (tests/app/crash_child.cpp) from a temporary program folder and checks the
// report, the dump and the start of Faultpost. The test process is a child subreaper, so a
// Faultpost started by the dying child becomes its child too and is reaped here.
#include "app/CrashHandler.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/MinidumpReader.h"
#include "app/TextDecoder.h"
#include "support/TestUtil.h"

extern char** environ;

namespace zvp {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char kSanitizerOptions[] =
    "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The output of a shell command.
std::string Command(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

struct ChildRun {
    bool endedInTime = false;
    int status = 0;
    std::string out;
    std::string err;
    int otherChildren = 0;  // reaped besides the crash child: Faultpost runs
    std::set<int> tids;
    uint64_t function = 0;
};

class CrashHandlerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        sigset_t chld;
        sigemptyset(&chld);
        sigaddset(&chld, SIGCHLD);
        ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &chld, nullptr), 0);
        childEvents_ = ::signalfd(-1, &chld, SFD_CLOEXEC | SFD_NONBLOCK);
        ASSERT_GE(childEvents_, 0);
    }

    void SetUp() override {
        fs::create_directories(ProgramFolder());
        fs::copy_file(ZVP_CRASH_CHILD, Program());
        fs::permissions(Program(), fs::perms::owner_all);
    }

    std::string ProgramFolder() const { return dir_.file("program"); }
    std::string Program() const { return dir_.file("program/crash_child"); }
    std::string DataHome() const { return dir_.file("data"); }
    std::string Temp() const { return DataHome() + "/ZVP/Temp/"; }
    std::string Report() const { return Temp() + "ERRORLOG.TXT"; }
    std::string Dump() const { return Temp() + "CRASH.DMP"; }
    std::string FaultpostArgs() const { return dir_.file("program/faultpost.args"); }

    // A Faultpost in `folder` that appends its arguments, one a line, to faultpost.args beside
    // it, and the descriptors above 2 it inherited to faultpost.fds. (The crash child holds
    // two such descriptors: its output files.)
    void InstallFaultpost(const std::string& folder = "program") {
        fs::create_directories(dir_.file(folder));
        const std::string path = dir_.file(folder + "/Faultpost");
        std::ofstream(path) << R"PY(#!/usr/bin/env python3
import os, sys
folder = os.path.dirname(sys.argv[0])
with open(os.path.join(folder, "faultpost.args"), "a") as out:
    out.write("".join(a + "\n" for a in sys.argv[1:]))
held = []
for fd in range(3, 1024):
    try:
        if os.get_inheritable(fd):
            held.append(str(fd))
    except OSError:
        pass
with open(os.path.join(folder, "faultpost.fds"), "a") as out:
    out.write(" ".join(held))
)PY";
        fs::permissions(path, fs::perms::owner_all);
    }
    std::string FaultpostInherited(const std::string& folder = "program") const {
        return ReadFile(dir_.file(folder + "/faultpost.fds"));
    }

    // Runs the child with `kind`, waits (10 s at most) for it and for every process it left
    // behind, and collects what it printed.
    ChildRun Run(const std::string& kind) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("XDG_DATA_HOME=", 0) == 0 || entry.rfind("ASAN_OPTIONS=", 0) == 0) {
                continue;
            }
            env.push_back(entry);
        }
        env.push_back("XDG_DATA_HOME=" + DataHome());
        env.push_back(kSanitizerOptions);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = Program();
        std::string argument = kind;
        char* argv[] = {program.data(), argument.data(), nullptr};
        const std::string outPath = dir_.file("out.txt");
        const std::string errPath = dir_.file("err.txt");

        const pid_t pid = ::fork();
        if (pid == 0) {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0) ::_exit(126);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::execve(program.c_str(), argv, envp.data());
            ::_exit(127);
        }
        ChildRun run;
        if (pid < 0) return run;
        bool childDone = false;
        auto deadline = std::chrono::steady_clock::now() + 10s;
        bool killed = false;
        for (;;) {
            int status = 0;
            const pid_t reaped = ::waitpid(-1, &status, WNOHANG);
            if (reaped > 0) {
                if (reaped == pid) {
                    childDone = true;
                    run.status = status;
                } else {
                    ++run.otherChildren;
                }
                continue;
            }
            if (reaped < 0 && errno == EINTR) continue;
            if (reaped < 0) break;  // no children left
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                if (killed) break;
                if (!childDone) ::kill(pid, SIGKILL);
                killed = true;
                deadline = std::chrono::steady_clock::now() + 10s;
                continue;
            }
            pollfd p{childEvents_, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
            signalfd_siginfo info;
            while (::read(childEvents_, &info, sizeof(info)) == sizeof(info)) {
            }
        }
        run.endedInTime = childDone && !killed;
        run.out = ReadFile(outPath);
        run.err = ReadFile(errPath);
        std::istringstream lines(run.out);
        std::string word;
        while (lines >> word) {
            if (word == "tid") {
                int tid = 0;
                lines >> tid;
                run.tids.insert(tid);
            } else if (word == "function") {
                std::string hex;
                lines >> hex;
                run.function = std::stoull(hex, nullptr, 16);
            }
        }
        return run;
    }

    std::vector<std::string> FaultpostRuns() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(FaultpostArgs()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    static int childEvents_;
    test::TempDir dir_;
};

int CrashHandlerTest::childEvents_ = -1;

bool DiedBy(const ChildRun& run, int signo) {
    return run.endedInTime && WIFSIGNALED(run.status) && WTERMSIG(run.status) == signo;
}

struct Kind {
    const char* argument;
    int signo;
    const char* caused;     // the exception name and code of the first line
    const char* extraLine;  // a line the report must hold, or null
    bool faultInChild;      // the fault is in the crashing function
    bool stackAtRsp;        // RSP itself is readable
};

const Kind kKinds[] = {
    {"null-read", SIGSEGV, "an Access Violation (0xc0000005)",
     "Read from location 0000000000000000 caused an access violation.\r\n", true, true},
    {"ro-write", SIGSEGV, "an Access Violation (0xc0000005)", "\r\nWrite to location ", true, true},
    {"bus", SIGBUS, "an In Page Error (0xc0000006)", nullptr, true, true},
    {"trap", SIGILL, "an Illegal Instruction (0xc000001d)", nullptr, true, true},
    {"divide", SIGFPE, "an Integer Divide by Zero (0xc0000094)", nullptr, true, true},
    {"abort", SIGABRT, "an Unknown exception type (0x40000015)", nullptr, false, true},
    {"exception", SIGABRT, "a Microsoft C++ Exception (0xe06d7363)", nullptr, false, true},
    {"overflow-main", SIGSEGV, "a Stack Overflow (0xc00000fd)", nullptr, false, false},
    {"overflow-worker", SIGSEGV, "a Stack Overflow (0xc00000fd)", nullptr, false, false},
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.argument;
}

class CrashKindTest : public CrashHandlerTest, public ::testing::WithParamInterface<Kind> {};

TEST_P(CrashKindTest, ReportDumpAndFaultpost) {
    const Kind& kind = GetParam();
    InstallFaultpost();
    const ChildRun run = Run(kind.argument);
    ASSERT_TRUE(DiedBy(run, kind.signo)) << run.status << "\n" << run.err;
    ASSERT_EQ(run.tids.size(), 1u) << run.out;
    const int tid = *run.tids.begin();

    // The report: UTF-16LE without a byte-order mark, CR LF line ends, whole to its end line.
    const std::string bytes = ReadFile(Report());
    ASSERT_EQ(bytes.size() % 2, 0u);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_FALSE(bytes[0] == '\xff' && bytes[1] == '\xfe');
    const std::string report = TextDecoder::Utf16LeToUtf8(bytes);
    EXPECT_EQ(report.rfind(std::string("crash_child caused ") + kind.caused + " \r\nin module ", 0),
              0u)
        << report.substr(0, 200);
    if (kind.faultInChild) {
        EXPECT_NE(report.find(" \r\nin module crash_child at "), std::string::npos);
    }
    if (kind.extraLine) {
        EXPECT_NE(report.find(kind.extraLine), std::string::npos);
    }
    EXPECT_GT(report.size(), 7168u * 2);
    const std::string end = "\r\n===== [end of ERRORLOG.TXT] =====\r\n";
    ASSERT_GE(report.size(), end.size());
    EXPECT_EQ(report.substr(report.size() - end.size()), end);
    for (size_t i = report.find('\n'); i != std::string::npos; i = report.find('\n', i + 1)) {
        ASSERT_TRUE(i > 0 && report[i - 1] == '\r') << "bare line feed at " << i;
    }
    // No text lost at a flush point: the modules are numbered without a gap.
    int modules = 0;
    while (report.find("\r\nModule " + std::to_string(modules + 1) + "\r\n/") !=
           std::string::npos) {
        ++modules;
    }
    EXPECT_GT(modules, 2);
    EXPECT_EQ(report.find("\r\nModule " + std::to_string(modules + 1) + "\r\n"), std::string::npos);
    EXPECT_EQ(fs::status(Report()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // The dump.
    test::MinidumpReader dump;
    ASSERT_TRUE(dump.Parse(ReadFile(Dump())));
    EXPECT_EQ(fs::status(Dump()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(dump.architecture, 9);
    EXPECT_EQ(dump.platform, 0x8201u);
    EXPECT_EQ(dump.exceptionThread, static_cast<uint32_t>(tid));
    EXPECT_EQ(dump.exceptionCode, static_cast<uint32_t>(kind.signo));
    EXPECT_EQ(dump.threadIds, std::vector<uint32_t>{static_cast<uint32_t>(tid)});
    EXPECT_EQ(dump.exceptionAddress, dump.context.rip);
    EXPECT_EQ(dump.context.flags, 0x0010000Fu);
    EXPECT_NE(dump.maps.find("crash_child"), std::string::npos);
    if (std::string(kind.argument) == "null-read") {
        EXPECT_EQ(dump.exceptionParameters, (std::vector<uint64_t>{0, 0}));
    }
    if (kind.faultInChild) {
        EXPECT_GE(dump.context.rip, run.function);
        EXPECT_LT(dump.context.rip, run.function + 256);
        EXPECT_NE(dump.MemoryAt(dump.context.rip), nullptr);
    }
    const test::MinidumpReader::Module* child = dump.ModuleNamed("crash_child");
    ASSERT_NE(child, nullptr);
    // The stack memory covers RSP, unless RSP is in the guard page it overflowed into.
    ASSERT_EQ(dump.threadStacks.size(), 1u);
    const test::MinidumpReader::Memory* stack = dump.MemoryAt(dump.threadStacks[0].address);
    ASSERT_NE(stack, nullptr);
    if (kind.stackAtRsp) {
        EXPECT_EQ(dump.MemoryAt(dump.context.rsp), stack);
    }
    bool returnAddress = false;
    for (size_t i = 0; i + 8 <= stack->bytes.size() && !returnAddress; i += 8) {
        uint64_t word;
        std::memcpy(&word, stack->bytes.data() + i, 8);
        returnAddress = word >= child->base && word - child->base < child->size;
    }
    EXPECT_TRUE(returnAddress);

    // The build ID as the file's notes show it.
    std::string buildId;
    for (uint8_t b : child->buildId) {
        char hex[3];
        std::snprintf(hex, sizeof(hex), "%02x", b);
        buildId += hex;
    }
    EXPECT_EQ(child->cvSignature, 0x4270454Cu);
    EXPECT_FALSE(buildId.empty());
    EXPECT_NE(Command("readelf -n '" + Program() + "'").find("Build ID: " + buildId + "\n"),
              std::string::npos);

    // Faultpost: started once with the program's name, the version and the Temp folder.
    EXPECT_EQ(run.otherChildren, 1);
    EXPECT_EQ(FaultpostRuns(), (std::vector<std::string>{"crash_child", "2.0.17 beta", Temp()}));
    EXPECT_EQ(FaultpostInherited(), "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, CrashKindTest, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             std::string name = info.param.argument;
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

// Installed, the program lies in bin/ and Faultpost in libexec/zvp/ beside it.
TEST_F(CrashHandlerTest, FaultpostIsFoundInTheInstalledHelperFolder) {
    InstallFaultpost("libexec/zvp");
    const ChildRun run = Run("null-read");
    ASSERT_TRUE(DiedBy(run, SIGSEGV)) << run.status << "\n" << run.err;
    EXPECT_EQ(run.otherChildren, 1);
    EXPECT_EQ(ReadFile(dir_.file("libexec/zvp/faultpost.args")),
              "crash_child\n2.0.17 beta\n" + Temp() + "\n");
    EXPECT_EQ(FaultpostInherited("libexec/zvp"), "");
}

TEST_F(CrashHandlerTest, NormalExitLeavesNothing) {
    InstallFaultpost();
    const ChildRun run = Run("exit");
    ASSERT_TRUE(run.endedInTime);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.err;
    EXPECT_FALSE(fs::exists(Report()));
    EXPECT_FALSE(fs::exists(Dump()));
    EXPECT_EQ(run.otherChildren, 0);
    EXPECT_FALSE(fs::exists(FaultpostArgs()));
}

TEST_F(CrashHandlerTest, TwoThreadsAtOnceGiveOneReport) {
    InstallFaultpost();
    const ChildRun run = Run("two-threads");
    ASSERT_TRUE(DiedBy(run, SIGSEGV)) << run.status << "\n" << run.err;
    ASSERT_EQ(run.tids.size(), 2u) << run.out;
    const std::string report = TextDecoder::Utf16LeToUtf8(ReadFile(Report()));
    EXPECT_EQ(report.find("crash_child caused an Access Violation"), 0u);
    EXPECT_EQ(report.find("crash_child caused", 1), std::string::npos);
    test::MinidumpReader dump;
    ASSERT_TRUE(dump.Parse(ReadFile(Dump())));
    EXPECT_EQ(run.tids.count(static_cast<int>(dump.exceptionThread)), 1u);
    EXPECT_EQ(run.otherChildren, 1);
    EXPECT_EQ(FaultpostRuns().size(), 3u);
}

TEST_F(CrashHandlerTest, FaultInsideTheWriterEndsTheProcess) {
    InstallFaultpost();
    const ChildRun run = Run("writer-fault");
    EXPECT_TRUE(DiedBy(run, SIGSEGV)) << run.status << "\n" << run.err;
    EXPECT_EQ(run.otherChildren, 0);
    EXPECT_FALSE(fs::exists(FaultpostArgs()));
}

TEST_F(CrashHandlerTest, WithoutFaultpostTheReportStays) {
    const ChildRun run = Run("divide");
    EXPECT_TRUE(DiedBy(run, SIGFPE)) << run.status << "\n" << run.err;
    EXPECT_EQ(
        TextDecoder::Utf16LeToUtf8(ReadFile(Report())).find("crash_child caused an Integer Divide"),
        0u);
    EXPECT_TRUE(fs::exists(Dump()));
    EXPECT_EQ(run.otherChildren, 0);
}

TEST_F(CrashHandlerTest, ReportThatCannotBeCreatedStopsEverything) {
    InstallFaultpost();
    // A plain file where the Temp folder belongs: the report fails even for root.
    fs::create_directories(DataHome() + "/ZVP");
    std::ofstream(DataHome() + "/ZVP/Temp") << "not a folder";
    const ChildRun run = Run("null-read");
    EXPECT_TRUE(DiedBy(run, SIGSEGV)) << run.status;
    EXPECT_NE(run.err.find("Error creating exception report: ENOTDIR\n"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.otherChildren, 0);
    EXPECT_FALSE(fs::exists(FaultpostArgs()));
    EXPECT_TRUE(fs::is_regular_file(DataHome() + "/ZVP/Temp"));
}

TEST_F(CrashHandlerTest, LinkedFilesAreReplacedNotFollowed) {
    // Links left where the report and the dump go must not lead the writes elsewhere.
    fs::create_directories(Temp());
    const std::string victim = dir_.file("victim");
    std::ofstream(victim) << "keep";
    fs::create_symlink(victim, Dump());
    const ChildRun run = Run("null-read");
    EXPECT_TRUE(DiedBy(run, SIGSEGV));
    EXPECT_EQ(ReadFile(victim), "keep");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Dump())));
    EXPECT_TRUE(fs::exists(Report()));
}

TEST_F(CrashHandlerTest, StockDebuggerReadsTheDump) {
    if (Command("command -v lldb").empty()) GTEST_SKIP() << "lldb is not installed";
    const ChildRun run = Run("null-read");
    ASSERT_TRUE(DiedBy(run, SIGSEGV));
    const std::string bt =
        Command("lldb --batch --no-lldbinit -c '" + Dump() + "' -o bt </dev/null 2>&1");
    EXPECT_NE(bt.find("NullRead"), std::string::npos) << bt;
}

}  // namespace
}  // namespace zvp
