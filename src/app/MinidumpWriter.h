#pragma once

#include <ucontext.h>

#include <cstddef>
#include <cstdint>

namespace zvp {

// One loaded ELF file for the module list.
struct MinidumpModule {
    uint64_t base = 0;
    uint64_t size = 0;
    const char* path = nullptr;  // UTF-8, not necessarily NUL-terminated
    size_t pathLength = 0;
    const uint8_t* buildId = nullptr;
    size_t buildIdLength = 0;
};

// A copy of process memory taken at the crash.
struct MinidumpMemory {
    uint64_t address = 0;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Everything the dump holds; all pointers stay valid during Write().
struct MinidumpContent {
    uint32_t threadId = 0;
    // Readers of Linux dumps take the exception code for the signal number (a code they do not
    // know as a signal leaves them waiting for the dead process to stop), and the flags for
    // its si_code.
    uint32_t exceptionCode = 0;
    uint32_t exceptionFlags = 0;
    uint64_t exceptionAddress = 0;
    uint32_t parameterCount = 0;  // at most 2
    uint64_t parameters[2] = {0, 0};
    const ucontext_t* context = nullptr;
    uint32_t timeStamp = 0;
    uint32_t processorCount = 0;
    uint32_t kernelMajor = 0;
    uint32_t kernelMinor = 0;
    uint32_t kernelBuild = 0;
    const char* unameText = "";  // NUL-terminated
    const MinidumpModule* modules = nullptr;
    size_t moduleCount = 0;
    MinidumpMemory stack;  // also the faulting thread's stack
    MinidumpMemory code;   // bytes around the instruction pointer
    const char* maps = nullptr;
    size_t mapsSize = 0;
};

// Writes a little-endian minidump ("MDMP", version 0xA793) of one faulting AMD64 thread with
// the streams SystemInfo, ThreadList, Exception, ModuleList, MemoryList and the Linux maps
// stream. Every offset is computed before the first byte goes out; every stream starts on a
// 4-byte boundary. Uses only write(2) and its own members: usable in a signal handler, with
// the writer in static storage (it holds a 4 KiB output buffer). One thread at a time.
class MinidumpWriter {
  public:
    MinidumpWriter() = default;
    MinidumpWriter(const MinidumpWriter&) = delete;
    MinidumpWriter& operator=(const MinidumpWriter&) = delete;

    // Writes the dump to `fd` from its current position; false when a write fails.
    bool Write(int fd, const MinidumpContent& content);

    static constexpr uint32_t kSignature = 0x504D444D;  // "MDMP"
    static constexpr uint32_t kVersion = 0xA793;
    static constexpr uint32_t kThreadListStream = 3;
    static constexpr uint32_t kModuleListStream = 4;
    static constexpr uint32_t kMemoryListStream = 5;
    static constexpr uint32_t kExceptionStream = 6;
    static constexpr uint32_t kSystemInfoStream = 7;
    static constexpr uint32_t kLinuxMapsStream = 0x47670009;
    static constexpr uint32_t kElfBuildIdSignature = 0x4270454C;  // "BpEL"
    static constexpr size_t kContextSize = 1232;                  // AMD64 context record

  private:
    void Bytes(const void* data, size_t size);
    void U8(uint8_t v) { Bytes(&v, 1); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
    void Zeros(size_t count);
    void Align4();
    // A length-prefixed, NUL-terminated UTF-16LE string from UTF-8.
    void String(const char* utf8, size_t size);
    void Context(const ucontext_t* uc);
    bool Flush();

    int fd_ = -1;
    bool failed_ = false;
    uint64_t position_ = 0;
    size_t used_ = 0;
    unsigned char buffer_[4096];
};

}  // namespace zvp
