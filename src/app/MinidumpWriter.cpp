#include "app/MinidumpWriter.h"

#include <unistd.h>

#include <cerrno>

#include "app/CrashText.h"

namespace zvp {

namespace {

constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kDirectoryEntrySize = 12;
constexpr uint32_t kStreamCount = 6;
constexpr uint32_t kSystemInfoSize = 56;
constexpr uint32_t kThreadSize = 48;
constexpr uint32_t kExceptionStreamSize = 168;
constexpr uint32_t kModuleSize = 108;
constexpr uint32_t kMemoryDescriptorSize = 16;
constexpr uint16_t kArchitectureAmd64 = 9;
constexpr uint32_t kPlatformLinux = 0x8201;
// CONTEXT_AMD64 with its control, integer, segment and floating-point parts.
constexpr uint32_t kContextFlags = 0x0010000F;

constexpr uint64_t Align4(uint64_t v) {
    return (v + 3) & ~uint64_t{3};
}

// Bytes of a MINIDUMP_STRING for `size` bytes of UTF-8: length, units, terminator.
uint64_t StringSize(const char* utf8, size_t size) {
    return 4 + 2 * (CrashUtf16Length(utf8, size) + 1);
}

size_t TextLength(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

// Where each part of the file starts.
struct Layout {
    uint64_t systemInfo, csdVersion, threadList, exception, context, moduleList, moduleNames,
        cvRecords, memoryList, stackBytes, codeBytes, maps, end;
};

Layout Plan(const MinidumpContent& c) {
    Layout l{};
    uint64_t at = kHeaderSize + kDirectoryEntrySize * kStreamCount;
    l.systemInfo = at;
    at += kSystemInfoSize;
    l.csdVersion = at;
    at = Align4(at + StringSize(c.unameText, TextLength(c.unameText)));
    l.threadList = at;
    at = Align4(at + 4 + kThreadSize);
    l.exception = at;
    at = Align4(at + kExceptionStreamSize);
    l.context = at;
    at = Align4(at + MinidumpWriter::kContextSize);
    l.moduleList = at;
    at = Align4(at + 4 + kModuleSize * c.moduleCount);
    l.moduleNames = at;
    for (size_t i = 0; i < c.moduleCount; ++i) {
        at = Align4(at + StringSize(c.modules[i].path, c.modules[i].pathLength));
    }
    l.cvRecords = at;
    for (size_t i = 0; i < c.moduleCount; ++i) at = Align4(at + 4 + c.modules[i].buildIdLength);
    l.memoryList = at;
    at = Align4(at + 4 + kMemoryDescriptorSize * 2);
    l.stackBytes = at;
    at = Align4(at + c.stack.size);
    l.codeBytes = at;
    at = Align4(at + c.code.size);
    l.maps = at;
    at = Align4(at + c.mapsSize);
    l.end = at;
    return l;
}

}  // namespace

void MinidumpWriter::Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    position_ += size;
    while (size > 0) {
        if (used_ == sizeof(buffer_) && !Flush()) return;
        size_t n = sizeof(buffer_) - used_;
        if (n > size) n = size;
        for (size_t i = 0; i < n; ++i) buffer_[used_ + i] = p[i];
        used_ += n;
        p += n;
        size -= n;
    }
}

void MinidumpWriter::U16(uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    Bytes(b, 2);
}

void MinidumpWriter::U32(uint32_t v) {
    unsigned char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    Bytes(b, 4);
}

void MinidumpWriter::U64(uint64_t v) {
    unsigned char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    Bytes(b, 8);
}

void MinidumpWriter::Zeros(size_t count) {
    static constexpr unsigned char kZeros[64] = {};
    while (count > 0) {
        const size_t n = count < sizeof(kZeros) ? count : sizeof(kZeros);
        Bytes(kZeros, n);
        count -= n;
    }
}

void MinidumpWriter::Align4() {
    Zeros(static_cast<size_t>(zvp::Align4(position_) - position_));
}

void MinidumpWriter::String(const char* utf8, size_t size) {
    U32(static_cast<uint32_t>(2 * CrashUtf16Length(utf8, size)));
    unsigned char wide[256];
    size_t done = 0;
    while (done < size) {
        size_t consumed = 0;
        const size_t n =
            CrashUtf8ToUtf16Le(utf8 + done, size - done, wide, sizeof(wide), &consumed);
        if (consumed == 0) break;
        Bytes(wide, n);
        done += consumed;
    }
    U16(0);
}

void MinidumpWriter::Context(const ucontext_t* uc) {
    const greg_t* r = uc->uc_mcontext.gregs;
    const auto g = [r](int index) { return static_cast<uint64_t>(r[index]); };
    const uint64_t segments = g(REG_CSGSFS);
    const fpregset_t fp = uc->uc_mcontext.fpregs;
    Zeros(48);  // P1Home..P6Home
    U32(kContextFlags);
    U32(fp ? fp->mxcsr : 0);
    U16(static_cast<uint16_t>(segments));        // SegCs
    U16(0);                                      // SegDs
    U16(0);                                      // SegEs
    U16(static_cast<uint16_t>(segments >> 32));  // SegFs
    U16(static_cast<uint16_t>(segments >> 16));  // SegGs
    U16(static_cast<uint16_t>(segments >> 48));  // SegSs
    U32(static_cast<uint32_t>(g(REG_EFL)));
    Zeros(6 * 8);  // debug registers
    static constexpr int kOrder[] = {REG_RAX, REG_RCX, REG_RDX, REG_RBX, REG_RSP, REG_RBP,
                                     REG_RSI, REG_RDI, REG_R8,  REG_R9,  REG_R10, REG_R11,
                                     REG_R12, REG_R13, REG_R14, REG_R15, REG_RIP};
    for (int index : kOrder) U64(g(index));
    // The FXSAVE image is the legacy floating-point save area as the kernel stored it.
    if (fp) {
        static_assert(sizeof(*fp) == 512, "FXSAVE image");
        Bytes(fp, 512);
    } else {
        Zeros(512);
    }
    Zeros(26 * 16 + 6 * 8);  // vector registers, vector and debug control
}

bool MinidumpWriter::Flush() {
    size_t done = 0;
    while (!failed_ && done < used_) {
        const ssize_t n = ::write(fd_, buffer_ + done, used_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        done += static_cast<size_t>(n);
    }
    used_ = 0;
    return !failed_;
}

bool MinidumpWriter::Write(int fd, const MinidumpContent& c) {
    fd_ = fd;
    failed_ = false;
    position_ = 0;
    used_ = 0;
    if (!c.context || c.moduleCount > 0xFFFF) return false;
    const Layout l = Plan(c);
    if (l.end > 0xFFFFFFFFu) return false;
    const auto rva = [](uint64_t v) { return static_cast<uint32_t>(v); };
    const uint32_t contextRva = rva(l.context);
    const auto atPlanned = [this](uint64_t planned) {
        Align4();
        return position_ == planned;
    };

    // Header and stream directory.
    U32(kSignature);
    U32(kVersion);
    U32(kStreamCount);
    U32(kHeaderSize);
    U32(0);  // checksum
    U32(c.timeStamp);
    U64(0);  // flags: a normal dump
    const struct {
        uint32_t type;
        uint64_t size;
        uint64_t at;
    } directory[kStreamCount] = {
        {kSystemInfoStream, kSystemInfoSize, l.systemInfo},
        {kThreadListStream, 4 + kThreadSize, l.threadList},
        {kExceptionStream, kExceptionStreamSize, l.exception},
        {kModuleListStream, 4 + kModuleSize * c.moduleCount, l.moduleList},
        {kMemoryListStream, 4 + kMemoryDescriptorSize * 2, l.memoryList},
        {kLinuxMapsStream, c.mapsSize, l.maps},
    };
    for (const auto& entry : directory) {
        U32(entry.type);
        U32(rva(entry.size));
        U32(rva(entry.at));
    }

    // SystemInfo.
    if (!atPlanned(l.systemInfo)) return false;
    U16(kArchitectureAmd64);
    U16(0);  // processor level
    U16(0);  // processor revision
    U8(static_cast<uint8_t>(c.processorCount > 255 ? 255 : c.processorCount));
    U8(1);  // product type: workstation
    U32(c.kernelMajor);
    U32(c.kernelMinor);
    U32(c.kernelBuild);
    U32(kPlatformLinux);
    U32(rva(l.csdVersion));
    U16(0);     // suite mask
    U16(0);     // reserved
    Zeros(24);  // processor features
    String(c.unameText, TextLength(c.unameText));

    // ThreadList: the faulting thread.
    if (!atPlanned(l.threadList)) return false;
    U32(1);
    U32(c.threadId);
    U32(0);  // suspend count
    U32(0);  // priority class
    U32(0);  // priority
    U64(0);  // thread environment block
    U64(c.stack.address);
    U32(static_cast<uint32_t>(c.stack.size));
    U32(rva(l.stackBytes));
    U32(kContextSize);
    U32(contextRva);

    // Exception.
    if (!atPlanned(l.exception)) return false;
    U32(c.threadId);
    U32(0);  // alignment
    U32(c.exceptionCode);
    U32(c.exceptionFlags);
    U64(0);  // nested record
    U64(c.exceptionAddress);
    const uint32_t parameterCount = c.parameterCount > 2 ? 2 : c.parameterCount;
    U32(parameterCount);
    U32(0);  // alignment
    for (uint32_t i = 0; i < 15; ++i) U64(i < parameterCount ? c.parameters[i] : 0);
    U32(kContextSize);
    U32(contextRva);

    if (!atPlanned(l.context)) return false;
    Context(c.context);

    // ModuleList, then the names and CodeView records it points to.
    if (!atPlanned(l.moduleList)) return false;
    U32(static_cast<uint32_t>(c.moduleCount));
    uint64_t name = l.moduleNames;
    uint64_t cv = l.cvRecords;
    for (size_t i = 0; i < c.moduleCount; ++i) {
        const MinidumpModule& m = c.modules[i];
        U64(m.base);
        U32(static_cast<uint32_t>(m.size > 0xFFFFFFFFu ? 0xFFFFFFFFu : m.size));
        U32(0);  // checksum
        U32(0);  // time stamp
        U32(rva(name));
        Zeros(13 * 4);  // fixed file version information
        U32(static_cast<uint32_t>(4 + m.buildIdLength));
        U32(rva(cv));
        U32(0);  // misc record
        U32(0);
        U64(0);  // reserved
        U64(0);
        name = zvp::Align4(name + StringSize(m.path, m.pathLength));
        cv = zvp::Align4(cv + 4 + m.buildIdLength);
    }
    if (!atPlanned(l.moduleNames)) return false;
    for (size_t i = 0; i < c.moduleCount; ++i) {
        String(c.modules[i].path, c.modules[i].pathLength);
        Align4();
    }
    if (!atPlanned(l.cvRecords)) return false;
    for (size_t i = 0; i < c.moduleCount; ++i) {
        U32(kElfBuildIdSignature);
        Bytes(c.modules[i].buildId, c.modules[i].buildIdLength);
        Align4();
    }

    // MemoryList and the bytes it points to.
    if (!atPlanned(l.memoryList)) return false;
    U32(2);
    U64(c.stack.address);
    U32(static_cast<uint32_t>(c.stack.size));
    U32(rva(l.stackBytes));
    U64(c.code.address);
    U32(static_cast<uint32_t>(c.code.size));
    U32(rva(l.codeBytes));
    if (!atPlanned(l.stackBytes)) return false;
    Bytes(c.stack.bytes, c.stack.size);
    if (!atPlanned(l.codeBytes)) return false;
    Bytes(c.code.bytes, c.code.size);

    if (!atPlanned(l.maps)) return false;
    Bytes(c.maps, c.mapsSize);
    Align4();
    return position_ == l.end && Flush();
}

}  // namespace zvp
