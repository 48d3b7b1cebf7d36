#include "app/CrashHandler.h"

#include <elf.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/utsname.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>

#include "app/CAppFolder.h"
#include "app/CrashReportWriter.h"
#include "app/CrashText.h"
#include "app/MinidumpWriter.h"
#include "app/ProcMaps.h"
#include "app/SystemInfo.h"

extern char** environ;

namespace zvp {

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t kPathMax = 4096;
constexpr size_t kAltStackSize = 64 * 1024;
constexpr size_t kEnvMax = 1024;
constexpr size_t kModuleMax = 512;
constexpr size_t kModulePathMax = 1024;
constexpr size_t kBuildIdMax = 64;
constexpr size_t kReportStackMax = 12288;
constexpr size_t kDumpStackMax = 64 * 1024;
constexpr size_t kCodeBytes = 256;
constexpr uint64_t kUserAddressSpace = uint64_t{1} << 47;  // 128 TiB
constexpr unsigned kProcessorTypeAmd64 = 8664;
constexpr uint32_t kAccessViolation = 0xC0000005;

// ---- Computed at install; read-only afterwards. ----
bool g_installed = false;
bool g_installResult = false;
char g_tempFolder[kPathMax];  // ends with '/'
size_t g_tempParents[kPathMax / 2];
size_t g_tempParentCount = 0;
char g_reportPath[kPathMax];
char g_dumpPath[kPathMax];
char g_programPath[kPathMax];
const char* g_programName = "Unknown";
char g_appTitle[kPathMax];
char g_faultpostPath[kPathMax];
char g_version[256];
char g_userName[256];
long g_utcOffset = 0;
unsigned g_processorCount = 1;
uint32_t g_kernel[3] = {0, 0, 0};
char g_unameText[1024];
char g_osName[64];
char g_osNumbers[64];
char* g_faultpostArgv[5];
char* g_faultpostEnv[kEnvMax + 1];
std::terminate_handler g_previousTerminate = nullptr;
std::atomic<void (*)()> g_testHook{nullptr};
int g_memoryPipe[2] = {-1, -1};  // non-blocking; the fallback for reading our own memory

// ---- Crash time. ----
std::atomic<pid_t> g_writerTid{0};
static_assert(std::atomic<pid_t>::is_always_lock_free);
std::atomic<bool> g_uncaughtException{false};
static_assert(std::atomic<bool>::is_always_lock_free);

bool g_vmReadRefused = false;
char g_maps[1 << 20];
size_t g_mapsSize = 0;
char g_procFile[16 * 1024];
char g_ripModule[kModulePathMax];

struct Module {
    uint64_t start;
    uint64_t end;
    char path[kModulePathMax];  // NUL-terminated
    size_t pathLength;
    uint8_t buildId[kBuildIdMax];
    size_t buildIdLength;
};
Module g_modules[kModuleMax];
MinidumpModule g_dumpModules[kModuleMax];
size_t g_moduleCount = 0;

uint8_t g_reportStack[kReportStackMax];
uint8_t g_dumpStack[kDumpStackMax];
uint8_t g_code[kCodeBytes];
Elf64_Phdr g_programHeaders[64];
uint8_t g_notes[4096];
CrashReportWriter g_report;
MinidumpWriter g_dump;
char g_line[512];

// ---- Per thread. ----

// The calling thread's alternate stack; disabled and unmapped at thread exit.
struct AltStack {
    void* mapping = nullptr;
    size_t mappingSize = 0;
    ~AltStack() {
        if (!mapping) return;
        stack_t current{};
        if (::sigaltstack(nullptr, &current) == 0 &&
            current.ss_sp == static_cast<char*>(mapping) + (mappingSize - kAltStackSize)) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
        }
        ::munmap(mapping, mappingSize);
    }
};
thread_local AltStack t_altStack;

// ---- Helpers for the handler: async-signal-safe only. ----

void CopyText(char* out, size_t capacity, const char* text) {
    size_t i = 0;
    if (text) {
        for (; text[i] != '\0' && i + 1 < capacity; ++i) out[i] = text[i];
    }
    out[i] = '\0';
}

void WriteStderr(const char* text) {
    size_t length = std::strlen(text);
    while (length > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

// Copies through the pipe: the kernel reads `address` for write(2) and gives EFAULT for a
// page it cannot read. For systems that refuse process_vm_readv (seccomp filters).
size_t ReadMemoryThroughPipe(uint64_t address, void* out, size_t size) {
    if (g_memoryPipe[0] < 0) return 0;
    auto* to = static_cast<char*>(out);
    size_t done = 0;
    while (done < size) {
        // One page at a time, so that a bad page ends the copy exactly at its start.
        const uint64_t at = address + done;
        size_t chunk = static_cast<size_t>(4096 - (at & 4095));
        if (chunk > size - done) chunk = size - done;
        const long n =
            ::syscall(SYS_write, g_memoryPipe[1], reinterpret_cast<const void*>(at), chunk);
        if (n <= 0) break;
        size_t got = 0;
        while (got < static_cast<size_t>(n)) {
            const ssize_t r =
                ::read(g_memoryPipe[0], to + done + got, static_cast<size_t>(n) - got);
            if (r <= 0) return done + got;
            got += static_cast<size_t>(r);
        }
        done += got;
        if (got < chunk) break;
    }
    return done;
}

// Copies up to `size` bytes of our own memory at `address`; a page that cannot be read ends
// the copy. The kernel reads the memory, so a bad address gives EFAULT, never a fault.
size_t ReadMemory(uint64_t address, void* out, size_t size) {
    if (size == 0) return 0;
    if (g_vmReadRefused) return ReadMemoryThroughPipe(address, out, size);
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    const long n = ::syscall(SYS_process_vm_readv, ::getpid(), &local, 1, &remote, 1, 0);
    if (n < 0 && (errno == ENOSYS || errno == EPERM)) {
        g_vmReadRefused = true;
        return ReadMemoryThroughPipe(address, out, size);
    }
    return n < 0 ? 0 : static_cast<size_t>(n);
}

bool IsReadable(uint64_t address) {
    unsigned char byte;
    return ReadMemory(address, &byte, 1) == 1;
}

// Reads a whole small file into `out` (NUL-terminated); returns its length, 0 on failure.
size_t ReadSmallFile(const char* path, char* out, size_t capacity) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    size_t used = 0;
    while (used + 1 < capacity) {
        const ssize_t n = ::read(fd, out + used, capacity - 1 - used);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    out[used] = '\0';
    return used;
}

// The number after "<key>" in a "/proc" status text ("VmSize:\t  1234 kB"); 0 when absent.
uint64_t ProcValue(const char* text, const char* key) {
    const size_t keyLength = std::strlen(key);
    for (const char* line = text; *line != '\0';) {
        if (std::strncmp(line, key, keyLength) == 0) {
            const char* p = line + keyLength;
            while (*p == ' ' || *p == '\t') ++p;
            uint64_t value = 0;
            while (*p >= '0' && *p <= '9') value = value * 10 + static_cast<uint64_t>(*p++ - '0');
            return value;
        }
        while (*line != '\0' && *line != '\n') ++line;
        if (*line == '\n') ++line;
    }
    return 0;
}

// Reads /proc/self/maps whole; a text too long for the buffer loses its last partial line.
void SnapshotMaps() {
    g_mapsSize = ReadSmallFile("/proc/self/maps", g_maps, sizeof(g_maps));
    if (g_mapsSize + 1 >= sizeof(g_maps)) {
        while (g_mapsSize > 0 && g_maps[g_mapsSize - 1] != '\n') --g_mapsSize;
    }
}

// The first readable mapped address at or above `address` and the end of its mapping.
bool FirstReadable(uint64_t address, uint64_t* from, uint64_t* to) {
    ProcMaps::Cursor cursor(g_maps, g_mapsSize);
    ProcMapsEntry e;
    while (cursor.Next(&e)) {
        if (!e.readable || e.end <= address) continue;
        *from = e.start > address ? e.start : address;
        *to = e.end;
        return true;
    }
    return false;
}

bool SamePath(const Module& m, const ProcMapsEntry& e) {
    return m.pathLength == e.pathLength && std::memcmp(m.path, e.path, e.pathLength) == 0;
}

// The GNU build ID from the program headers of the ELF image mapped at `base`.
void ReadBuildId(Module& m) {
    m.buildIdLength = 0;
    Elf64_Ehdr header;
    if (ReadMemory(m.start, &header, sizeof(header)) != sizeof(header)) return;
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr)) return;
    const size_t count = header.e_phnum < 64 ? header.e_phnum : 64;
    const size_t bytes = count * sizeof(Elf64_Phdr);
    if (ReadMemory(m.start + header.e_phoff, g_programHeaders, bytes) != bytes) return;
    uint64_t bias = 0;
    for (size_t i = 0; i < count; ++i) {
        const Elf64_Phdr& ph = g_programHeaders[i];
        if (ph.p_type == PT_LOAD && ph.p_offset == 0) {
            bias = m.start - (ph.p_vaddr & ~uint64_t{0xFFF});
            break;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const Elf64_Phdr& ph = g_programHeaders[i];
        if (ph.p_type != PT_NOTE) continue;
        const size_t size = ReadMemory(bias + ph.p_vaddr, g_notes,
                                       ph.p_memsz < sizeof(g_notes) ? ph.p_memsz : sizeof(g_notes));
        size_t at = 0;
        while (at + sizeof(Elf64_Nhdr) <= size) {
            Elf64_Nhdr note;
            std::memcpy(&note, g_notes + at, sizeof(note));
            const size_t name = at + sizeof(note);
            const size_t desc = name + ((note.n_namesz + 3) & ~3u);
            const size_t next = desc + ((note.n_descsz + 3) & ~3u);
            if (next > size || next <= at) break;
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
                std::memcmp(g_notes + name, "GNU", 4) == 0 && note.n_descsz <= kBuildIdMax) {
                std::memcpy(m.buildId, g_notes + desc, note.n_descsz);
                m.buildIdLength = note.n_descsz;
                return;
            }
            at = next;
        }
    }
}

// The ELF files mapped from offset 0, one per path, in address order.
void CollectModules() {
    g_moduleCount = 0;
    ProcMaps::Cursor cursor(g_maps, g_mapsSize);
    ProcMapsEntry e;
    while (cursor.Next(&e)) {
        if (e.pathLength == 0 || e.path[0] != '/') continue;
        Module* known = nullptr;
        for (size_t i = 0; i < g_moduleCount && !known; ++i) {
            if (SamePath(g_modules[i], e)) known = &g_modules[i];
        }
        if (known) {
            if (e.start < known->start) known->start = e.start;
            if (e.end > known->end) known->end = e.end;
            continue;
        }
        if (e.offset != 0 || g_moduleCount == kModuleMax || e.pathLength >= kModulePathMax) {
            continue;
        }
        char magic[4];
        if (ReadMemory(e.start, magic, 4) != 4 || std::memcmp(magic,
                                                              "\x7f"
                                                              "ELF",
                                                              4) != 0) {
            continue;
        }
        Module& m = g_modules[g_moduleCount++];
        m.start = e.start;
        m.end = e.end;
        std::memcpy(m.path, e.path, e.pathLength);
        m.path[e.pathLength] = '\0';
        m.pathLength = e.pathLength;
    }
    for (size_t i = 0; i < g_moduleCount; ++i) {
        Module& m = g_modules[i];
        ReadBuildId(m);
        MinidumpModule& d = g_dumpModules[i];
        d.base = m.start;
        d.size = m.end - m.start;
        d.path = m.path;
        d.pathLength = m.pathLength;
        d.buildId = m.buildId;
        d.buildIdLength = m.buildIdLength;
    }
}

// The file part of the mapping that holds `address`, or "Unknown".
void FindModuleName(uint64_t address) {
    CopyText(g_ripModule, sizeof(g_ripModule), "Unknown");
    ProcMaps::Cursor cursor(g_maps, g_mapsSize);
    ProcMapsEntry e;
    while (cursor.Next(&e)) {
        if (address < e.start || address >= e.end) continue;
        if (e.pathLength == 0 || e.path[0] != '/' || e.pathLength >= sizeof(g_ripModule)) return;
        size_t from = e.pathLength;
        while (from > 0 && e.path[from - 1] != '/') --from;
        const size_t length = e.pathLength - from;
        std::memcpy(g_ripModule, e.path + from, length);
        g_ripModule[length] = '\0';
        return;
    }
}

int64_t LocalSeconds(int64_t utcSeconds) {
    return utcSeconds + g_utcOffset;
}

uint64_t Megabytes(uint64_t bytes) {
    return (bytes + 1048575) / 1048576;
}

uint64_t Word(const uint8_t* bytes) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | bytes[i];
    return v;
}

int OpenCrashFile(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    // An existing file keeps its mode through O_CREAT; the contents are private either way.
    if (fd >= 0) ::fchmod(fd, 0600);
    return fd;
}

void CloseCrashFile(int fd) {
    ::fsync(fd);
    ::close(fd);
}

struct Fault {
    int signo;
    int siCode;
    uint32_t code;
    uint32_t parameterCount;
    uint64_t parameters[2];
    const ucontext_t* uc;
    uint64_t rip;
    uint64_t rsp;
};

uint64_t Reg(const Fault& f, int index) {
    return static_cast<uint64_t>(f.uc->uc_mcontext.gregs[index]);
}

void WriteReport(CrashReportWriter& w, const Fault& f) {
    const uint64_t segments = Reg(f, REG_CSGSFS);
    const unsigned cs = static_cast<unsigned>(segments & 0xFFFF);
    const unsigned long long ss = (segments >> 48) & 0xFFFF;
    w.Line("%s caused %s (0x%08x) \r\nin module %s at %04x:%016llx.\r\n\r\n", g_appTitle,
           CrashExceptionName(f.code), f.code, g_ripModule, cs, f.rip);
    if (void (*hook)() = g_testHook.load()) hook();
    w.Line("Exception handler called in RecordExceptionInfo.\r\n");

    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    FormatCrashTime(g_line, sizeof(g_line), LocalSeconds(now.tv_sec));
    w.Line("Error occurred at %s.\r\n", g_line);
    w.Line("%s, run by %s.\r\n", g_programPath, g_userName);
    w.Line("Operating system:  %s (%s).\r\n", g_osName, g_osNumbers);
    w.Line("%d processor(s), type %d.\r\n", g_processorCount, kProcessorTypeAmd64);

    ReadSmallFile("/proc/meminfo", g_procFile, sizeof(g_procFile));
    const uint64_t total = ProcValue(g_procFile, "MemTotal:") * 1024;
    const uint64_t available = ProcValue(g_procFile, "MemAvailable:") * 1024;
    const uint64_t swapTotal = ProcValue(g_procFile, "SwapTotal:") * 1024;
    const uint64_t swapFree = ProcValue(g_procFile, "SwapFree:") * 1024;
    ReadSmallFile("/proc/self/status", g_procFile, sizeof(g_procFile));
    uint64_t used = ProcValue(g_procFile, "VmSize:") * 1024;
    if (used > kUserAddressSpace) used = kUserAddressSpace;
    const uint64_t load = total > 0 && available <= total ? (total - available) * 100 / total : 0;
    w.Line("%d%% memory in use.\r\n", load);
    w.Line("%llu MBytes physical memory.\r\n", Megabytes(total));
    w.Line("%llu MBytes physical memory free.\r\n", Megabytes(available));
    w.Line("%llu MBytes paging file.\r\n", Megabytes(swapTotal));
    w.Line("%llu MBytes paging file free.\r\n", Megabytes(swapFree));
    w.Line("%llu MBytes user address space.\r\n", Megabytes(kUserAddressSpace));
    w.Line("%llu MBytes user address space free.\r\n", Megabytes(kUserAddressSpace - used));

    if (f.code == kAccessViolation && f.parameterCount >= 2) {
        w.Line("%s location %016llx caused an access violation.\r\n",
               f.parameters[0] == 1 ? "Write to" : "Read from", f.parameters[1]);
    }

    w.Line("\r\nContext:\r\n");
    w.Line("RDI:    0x%016llx  RSI: 0x%016llx  RAX:   0x%016llx\r\n", Reg(f, REG_RDI),
           Reg(f, REG_RSI), Reg(f, REG_RAX));
    w.Line("RBX:    0x%016llx  RCX: 0x%016llx  RDX:   0x%016llx\r\n", Reg(f, REG_RBX),
           Reg(f, REG_RCX), Reg(f, REG_RDX));
    w.Line("RIP:    0x%016llx  RBP: 0x%016llx  SegCs: 0x%016llx\r\n", f.rip, Reg(f, REG_RBP),
           static_cast<unsigned long long>(cs));
    w.Line("EFlags: 0x%016llx  RSP: 0x%016llx  SegSs: 0x%016llx\r\n", Reg(f, REG_EFL), f.rsp, ss);
    w.Line("R8:     0x%016llx  R9:  0x%016llx  R10:   0x%016llx  R11: 0x%016llx\r\n",
           Reg(f, REG_R8), Reg(f, REG_R9), Reg(f, REG_R10), Reg(f, REG_R11));
    w.Line("R12:    0x%016llx  R13: 0x%016llx  R14:   0x%016llx  R15: 0x%016llx\r\n",
           Reg(f, REG_R12), Reg(f, REG_R13), Reg(f, REG_R14), Reg(f, REG_R15));

    w.Line("\r\nBytes at CS:RIP:\r\n");
    uint8_t code[16];
    const size_t codeSize = ReadMemory(f.rip, code, sizeof(code));
    for (size_t i = 0; i < codeSize; ++i) w.Line("%02x ", code[i]);

    w.Line("\r\n\r\nStack:\r\n");
    uint64_t from = 0;
    uint64_t to = 0;
    size_t stackSize = 0;
    if (FirstReadable(f.rsp, &from, &to)) {
        const uint64_t want = to - from < kReportStackMax ? to - from : kReportStackMax;
        stackSize = ReadMemory(from, g_reportStack, static_cast<size_t>(want));
    }
    for (size_t at = 0; at < stackSize; at += 16) {
        w.Line("0x%016llx: ", from + at);
        for (size_t word = at; word < at + 16; word += 8) {
            if (word + 8 <= stackSize) {
                w.Line("%016llx ", Word(g_reportStack + word));
            } else {
                w.Line("                 ");
            }
        }
        w.Line("   ");
        for (size_t i = at; i < at + 16 && i < stackSize; ++i) {
            const uint8_t c = g_reportStack[i];
            w.Line("%c", c >= 32 && c <= 126 ? static_cast<char>(c) : '.');
        }
        w.Line("\r\n");
    }
    w.Line("\r\n");

    for (size_t i = 0; i < g_moduleCount; ++i) {
        const Module& m = g_modules[i];
        w.Line("Module %d\r\n", static_cast<int>(i + 1));
        w.Line("%s\r\n", m.path);
        w.Line("Image Base: 0x%016llx  Image Size: 0x%016llx\r\n", m.start, m.end - m.start);
        w.Line("Checksum:   0x%08x  Time Stamp: 0x%08x\r\n", 0, 0);
        struct stat info {};
        if (::stat(m.path, &info) != 0) info = {};
        FormatCrashTime(g_line, sizeof(g_line), LocalSeconds(info.st_mtime));
        w.Line("File Size:  %-10lld  File Time:  %s\r\n", static_cast<long long>(info.st_size),
               g_line);
        w.Line("Version Information:\r\n");
        w.Line("   Company:    %s\r\n", "");
        w.Line("   Product:    %s\r\n", "");
        w.Line("   FileDesc:   %s\r\n", "");
        w.Line("   FileVer:    %d.%d.%d.%d\r\n", 0, 0, 0, 0);
        w.Line("   ProdVer:    %d.%d.%d.%d\r\n", 0, 0, 0, 0);
    }
    w.Line("\r\n===== [end of %s] =====\r\n", "ERRORLOG.TXT");
}

void WriteDump(int fd, const Fault& f) {
    MinidumpContent c;
    c.threadId = static_cast<uint32_t>(::gettid());
    // The report names the exception code; the dump holds what its readers expect.
    c.exceptionCode = static_cast<uint32_t>(f.signo);
    c.exceptionFlags = static_cast<uint32_t>(f.siCode);
    c.exceptionAddress = f.rip;
    c.parameterCount = f.parameterCount;
    c.parameters[0] = f.parameters[0];
    c.parameters[1] = f.parameters[1];
    c.context = f.uc;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    c.timeStamp = static_cast<uint32_t>(now.tv_sec);
    c.processorCount = g_processorCount;
    c.kernelMajor = g_kernel[0];
    c.kernelMinor = g_kernel[1];
    c.kernelBuild = g_kernel[2];
    c.unameText = g_unameText;
    c.modules = g_dumpModules;
    c.moduleCount = g_moduleCount;
    uint64_t from = 0;
    uint64_t to = 0;
    if (FirstReadable(f.rsp >= 128 ? f.rsp - 128 : 0, &from, &to)) {
        const uint64_t want = to - from < kDumpStackMax ? to - from : kDumpStackMax;
        c.stack.address = from;
        c.stack.bytes = g_dumpStack;
        c.stack.size = ReadMemory(from, g_dumpStack, static_cast<size_t>(want));
    }
    const uint64_t codeFrom = f.rip >= kCodeBytes / 2 ? f.rip - kCodeBytes / 2 : 0;
    size_t codeSize = ReadMemory(codeFrom, g_code, kCodeBytes);
    uint64_t codeAddress = codeFrom;
    if (codeSize == 0) {
        // The page below may be unmapped: take what is readable from the instruction on.
        codeAddress = f.rip;
        codeSize = ReadMemory(f.rip, g_code, kCodeBytes / 2);
    }
    c.code.address = codeAddress;
    c.code.bytes = g_code;
    c.code.size = codeSize;
    c.maps = g_maps;
    c.mapsSize = g_mapsSize;
    g_dump.Write(fd, c);
}

bool DebuggerAttached() {
    ReadSmallFile("/proc/self/status", g_procFile, sizeof(g_procFile));
    return ProcValue(g_procFile, "TracerPid:") != 0;
}

void StartFaultpost() {
    if (g_faultpostPath[0] == '\0' || ::access(g_faultpostPath, X_OK) != 0) return;
    // _Fork runs no fork handlers, so nothing of the crashed process runs in the child.
    const pid_t pid = ::_Fork();
    if (pid != 0) return;
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Only 0-2 reach Faultpost; kernels before 5.9 lack close_range.
    if (::close_range(3, ~0u, 0) != 0) {
        rlimit files{};
        const rlim_t end = ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 1048576
                               ? files.rlim_cur
                               : 1048576;
        for (rlim_t fd = 3; fd < end; ++fd) ::close(static_cast<int>(fd));
    }
    ::execve(g_faultpostPath, g_faultpostArgv, g_faultpostEnv);
    ::_exit(127);
}

void WriteCrashFiles(int signo, const siginfo_t* info, const ucontext_t* uc) {
    Fault f{};
    f.signo = signo;
    f.siCode = info ? info->si_code : 0;
    f.uc = uc;
    f.rip = static_cast<uint64_t>(uc->uc_mcontext.gregs[REG_RIP]);
    f.rsp = static_cast<uint64_t>(uc->uc_mcontext.gregs[REG_RSP]);
    const uint64_t address = info ? reinterpret_cast<uint64_t>(info->si_addr) : 0;
    bool overflow = false;
    if (signo == SIGSEGV) {
        const uint64_t distance = address > f.rsp ? address - f.rsp : f.rsp - address;
        overflow = distance <= 64 * 1024 && !IsReadable(address);
    }
    f.code =
        CrashExceptionCode(signo, info ? info->si_code : 0, overflow, g_uncaughtException.load());
    if (f.code == kAccessViolation) {
        // Page-fault error code bit 1: the access was a write.
        f.parameterCount = 2;
        f.parameters[0] = (uc->uc_mcontext.gregs[REG_ERR] & 2) != 0 ? 1 : 0;
        f.parameters[1] = address;
    }

    SnapshotMaps();
    FindModuleName(f.rip);
    CollectModules();

    for (size_t i = 0; i < g_tempParentCount; ++i) {
        const size_t end = g_tempParents[i];
        const char saved = g_tempFolder[end];
        g_tempFolder[end] = '\0';
        ::mkdir(g_tempFolder, 0777);
        g_tempFolder[end] = saved;
    }
    // A dump that cannot be written must not leave the previous crash's dump behind.
    ::unlink(g_dumpPath);
    const int report = OpenCrashFile(g_reportPath);
    if (report < 0) {
        FormatCrashText(g_line, sizeof(g_line), "Error creating exception report: %s\n",
                        CrashErrnoName(errno));
        WriteStderr(g_line);
        return;
    }
    g_report.Reset(report);
    WriteReport(g_report, f);
    g_report.Finish();
    CloseCrashFile(report);

    const int dump = OpenCrashFile(g_dumpPath);
    if (dump >= 0) {
        WriteDump(dump, f);
        CloseCrashFile(dump);
    }
    if (DebuggerAttached()) return;
    StartFaultpost();
}

// Restores the default action and makes the signal pending again on this thread; it is
// delivered, and ends the process, as soon as the handler returns.
void ReRaise(int signo, ucontext_t* uc) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signo, &action, nullptr);
    if (uc) sigdelset(&uc->uc_sigmask, signo);
    ::syscall(SYS_tgkill, ::getpid(), ::gettid(), signo);
}

void OnFaultSignal(int signo, siginfo_t* info, void* ucontext) {
    const int saved = errno;
    RecordExceptionInfo(signo, info, ucontext);
    errno = saved;
}

[[noreturn]] void OnTerminate() {
    g_uncaughtException.store(true);
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

// ---- Install. ----

void ComputeProgramPaths() {
    const ssize_t n = ::readlink("/proc/self/exe", g_programPath, sizeof(g_programPath) - 1);
    if (n <= 0) {
        CopyText(g_programPath, sizeof(g_programPath), "Unknown");
        g_programName = g_programPath;
        CopyText(g_appTitle, sizeof(g_appTitle), "Unknown");
        g_faultpostPath[0] = '\0';
        return;
    }
    g_programPath[n] = '\0';
    const char* slash = std::strrchr(g_programPath, '/');
    g_programName = slash ? slash + 1 : g_programPath;
    CopyText(g_appTitle, sizeof(g_appTitle), g_programName);
    char* dot = std::strrchr(g_appTitle, '.');
    if (dot && dot != g_appTitle) *dot = '\0';
    // Beside the program in the build tree, else in the installed helper folder.
    const std::string programFolder(g_programPath,
                                    static_cast<size_t>(g_programName - g_programPath));
    const std::string folder = CAppFolder::GetHelperFolder(programFolder, "Faultpost");
    const std::string faultpost = folder + "Faultpost";
    if (folder.empty() || faultpost.size() >= sizeof(g_faultpostPath)) {
        g_faultpostPath[0] = '\0';
    } else {
        CopyText(g_faultpostPath, sizeof(g_faultpostPath), faultpost.c_str());
    }
}

void ComputeTempPaths() {
    const std::string temp = CAppFolder::GetDataHome() + "ZVP/Temp/";
    CopyText(g_tempFolder, sizeof(g_tempFolder), temp.c_str());
    g_tempParentCount = 0;
    for (size_t i = 1; g_tempFolder[i] != '\0'; ++i) {
        if (g_tempFolder[i] == '/') g_tempParents[g_tempParentCount++] = i;
    }
    FormatCrashText(g_reportPath, sizeof(g_reportPath), "%sERRORLOG.TXT", g_tempFolder);
    FormatCrashText(g_dumpPath, sizeof(g_dumpPath), "%sCRASH.DMP", g_tempFolder);
}

void ComputeSystem() {
    CopyText(g_userName, sizeof(g_userName), "Unknown");
    passwd entry{};
    passwd* result = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof(buffer), &result) == 0 && result &&
        result->pw_name && result->pw_name[0] != '\0') {
        CopyText(g_userName, sizeof(g_userName), result->pw_name);
    }
    const time_t now = ::time(nullptr);
    tm local{};
    if (::localtime_r(&now, &local)) g_utcOffset = local.tm_gmtoff;
    const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    g_processorCount = processors > 0 ? static_cast<unsigned>(processors) : 1;

    utsname names{};
    if (::uname(&names) == 0) {
        FormatCrashText(g_unameText, sizeof(g_unameText), "%s %s %s %s %s", names.sysname,
                        names.nodename, names.release, names.version, names.machine);
        const char* p = names.release;
        for (uint32_t& part : g_kernel) {
            while (*p >= '0' && *p <= '9') part = part * 10 + static_cast<uint32_t>(*p++ - '0');
            if (*p != '.') break;
            ++p;
        }
    }
    std::string name;
    std::string numbers;
    int code = 0;
    GetWindowsVersionText(&name, &code, &numbers);
    CopyText(g_osName, sizeof(g_osName), name.c_str());
    CopyText(g_osNumbers, sizeof(g_osNumbers), numbers.c_str());
}

void ComputeFaultpostCommand() {
    g_faultpostArgv[0] = g_faultpostPath;
    g_faultpostArgv[1] = const_cast<char*>(g_programName);
    g_faultpostArgv[2] = g_version;
    g_faultpostArgv[3] = g_tempFolder;
    g_faultpostArgv[4] = nullptr;
    size_t count = 0;
    for (char** e = environ; e && *e && count < kEnvMax; ++e) g_faultpostEnv[count++] = *e;
    g_faultpostEnv[count] = nullptr;
}

}  // namespace

bool PrepareCrashHandlerThread() {
    if (t_altStack.mapping) return true;
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t size = kAltStackSize + page;
    void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) return false;
    // The lowest page stays inaccessible: an overflow of the handler's own stack faults there.
    ::mprotect(mapping, page, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = kAltStackSize;
    if (::sigaltstack(&stack, nullptr) != 0) {
        ::munmap(mapping, size);
        return false;
    }
    t_altStack.mapping = mapping;
    t_altStack.mappingSize = size;
    return true;
}

bool InstallCrashHandler(const std::string& versionText) {
    if (g_installed) return g_installResult;
    g_installed = true;
    CopyText(g_version, sizeof(g_version), versionText.c_str());
    ComputeProgramPaths();
    ComputeTempPaths();
    ComputeSystem();
    ComputeFaultpostCommand();
    if (::pipe2(g_memoryPipe, O_CLOEXEC | O_NONBLOCK) != 0) g_memoryPipe[0] = g_memoryPipe[1] = -1;
    g_previousTerminate = std::set_terminate(OnTerminate);
    PrepareCrashHandlerThread();

    struct sigaction action {};
    action.sa_sigaction = OnFaultSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signo : kFaultSignals) sigaddset(&action.sa_mask, signo);
    g_installResult = true;
    for (int signo : kFaultSignals) {
        if (::sigaction(signo, &action, nullptr) != 0) g_installResult = false;
    }
    return g_installResult;
}

void RecordExceptionInfo(int signo, siginfo_t* info, void* ucontext) {
    auto* uc = static_cast<ucontext_t*>(ucontext);
    const pid_t tid = static_cast<pid_t>(::gettid());
    pid_t expected = 0;
    if (!g_writerTid.compare_exchange_strong(expected, tid)) {
        if (expected == tid) {
            ReRaise(signo, uc);
            return;
        }
        // Another thread writes the report and then ends the process.
        sigset_t all;
        sigfillset(&all);
        for (;;) ::sigsuspend(&all);
    }
    struct sigaction alarmAction {};
    alarmAction.sa_handler = SIG_DFL;
    sigemptyset(&alarmAction.sa_mask);
    ::sigaction(SIGALRM, &alarmAction, nullptr);
    sigset_t alarmOnly;
    sigemptyset(&alarmOnly);
    sigaddset(&alarmOnly, SIGALRM);
    ::sigprocmask(SIG_UNBLOCK, &alarmOnly, nullptr);
    ::alarm(10);
    if (uc) WriteCrashFiles(signo, info, uc);
    ReRaise(signo, uc);
}

void SetCrashHandlerTestHook(void (*hook)()) {
    g_testHook.store(hook);
}

}  // namespace zvp
