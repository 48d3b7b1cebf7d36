// The crash tests' child: installs the crash handler with the version "2.0.17 beta", prints
// "tid <n>" for each thread that will fault and "function 0x<address>" for the function that
// faults, then faults as its one argument says. Built without sanitizers, so every fault
// reaches the handler, and written so that the compiler keeps each fault (volatile
// pointers, the division in inline assembly).
#include <sys/mman.h>
#include <unistd.h>

#include <barrier>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/CrashHandler.h"

namespace {

volatile int g_stop = 0;

void PrintTid() {
    std::printf("tid %d\n", static_cast<int>(::gettid()));
    std::fflush(stdout);
}

template <typename F>
void PrintFunction(F* function) {
    std::printf("function 0x%llx\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(function)));
    std::fflush(stdout);
}

// The pointer itself is volatile: an optimising compiler that saw a constant null would take
// the read for undefined behaviour and drop the call (and with it the fault) altogether.
volatile int* volatile g_null = nullptr;

__attribute__((noinline, noipa)) int NullRead() {
    return *g_null;
}

__attribute__((noinline)) void ReadOnlyWrite(void* page) {
    volatile int* p = static_cast<int*>(page);
    *p = 1;
}

__attribute__((noinline)) int TruncatedRead(const void* page) {
    const volatile int* p = static_cast<const int*>(page);
    return *p;
}

__attribute__((noinline)) void Trap() {
    __builtin_trap();
}

__attribute__((noinline)) int Divide(int a, int b) {
    int quotient;
    asm volatile("cltd\n\tidivl %2" : "=a"(quotient) : "a"(a), "r"(b) : "edx", "cc");
    return quotient;
}

__attribute__((noinline)) void Throw() {
    throw std::runtime_error("crash_child");
}

__attribute__((noinline)) int Recurse(int depth) {
    volatile char pad[512];
    pad[0] = static_cast<char>(depth);
    if (g_stop) return pad[0];
    return Recurse(depth + 1) + pad[0];
}

void FaultInWriter() {
    NullRead();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: crash_child <kind>\n");
        return 2;
    }
    zvp::InstallCrashHandler("2.0.17 beta");
    const std::string kind = argv[1];
    if (kind == "exit") {
        PrintTid();
        return 0;
    }
    if (kind == "null-read" || kind == "writer-fault") {
        if (kind == "writer-fault") zvp::SetCrashHandlerTestHook(FaultInWriter);
        PrintTid();
        PrintFunction(NullRead);
        return NullRead();
    }
    if (kind == "ro-write") {
        void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        PrintTid();
        PrintFunction(ReadOnlyWrite);
        ReadOnlyWrite(page);
        return 0;
    }
    if (kind == "bus") {
        const int fd = ::memfd_create("crash_child", MFD_CLOEXEC);
        if (fd < 0 || ::ftruncate(fd, 4096) != 0) return 3;
        void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
        if (page == MAP_FAILED || ::ftruncate(fd, 0) != 0) return 3;
        PrintTid();
        PrintFunction(TruncatedRead);
        return TruncatedRead(page);
    }
    if (kind == "trap") {
        PrintTid();
        PrintFunction(Trap);
        Trap();
        return 0;
    }
    if (kind == "divide") {
        PrintTid();
        PrintFunction(Divide);
        return Divide(7, static_cast<int>(g_stop));
    }
    if (kind == "abort") {
        PrintTid();
        std::abort();
    }
    if (kind == "exception") {
        PrintTid();
        PrintFunction(Throw);
        Throw();
        return 0;
    }
    if (kind == "overflow-main") {
        PrintTid();
        PrintFunction(Recurse);
        return Recurse(0);
    }
    if (kind == "overflow-worker") {
        std::thread worker([] {
            zvp::PrepareCrashHandlerThread();
            PrintTid();
            PrintFunction(Recurse);
            Recurse(0);
        });
        worker.join();
        return 0;
    }
    if (kind == "two-threads") {
        std::barrier together(2);
        auto body = [&together] {
            PrintTid();
            together.arrive_and_wait();
            NullRead();
        };
        std::thread a(body);
        std::thread b(body);
        a.join();
        b.join();
        return 0;
    }
    std::fprintf(stderr, "crash_child: unknown kind %s\n", kind.c_str());
    return 2;
}
