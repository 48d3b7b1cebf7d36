#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/TextDecoder.h"

namespace zvp::test {

// A bounds-checked reader of the minidump streams the crash handler writes. Parse() refuses
// a file whose header, directory or any stream it reads runs past the end; nothing is read
// outside the bytes given.
class MinidumpReader {
  public:
    struct Module {
        uint64_t base = 0;
        uint32_t size = 0;
        std::string name;  // UTF-8
        uint32_t cvSignature = 0;
        std::vector<uint8_t> buildId;
    };
    struct Memory {
        uint64_t address = 0;
        std::vector<uint8_t> bytes;
    };
    struct Context {
        uint32_t flags = 0;
        uint64_t rip = 0;
        uint64_t rsp = 0;
    };

    bool Parse(const std::string& file) {
        data_ = file;
        if (U32(0) != 0x504D444D || (U32(4) & 0xFFFF) != 0xA793) return false;
        const uint32_t count = U32(8);
        const uint32_t directory = U32(12);
        if (!ok_ || count > 64) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = directory + uint64_t{12} * i;
            const uint32_t type = U32(entry);
            const uint32_t size = U32(entry + 4);
            const uint32_t rva = U32(entry + 8);
            if (!ok_ || !Has(rva, size) || rva % 4 != 0) return false;
            streams_[type] = {rva, size};
        }
        return ok_ && ReadSystemInfo() && ReadThreads() && ReadException() && ReadModules() &&
               ReadMemory() && ReadMaps();
    }

    uint32_t processorCount = 0;
    uint16_t architecture = 0;
    uint32_t platform = 0;
    std::string csdVersion;
    std::vector<uint32_t> threadIds;
    std::vector<Memory> threadStacks;
    uint32_t exceptionThread = 0;
    uint32_t exceptionCode = 0;
    uint64_t exceptionAddress = 0;
    std::vector<uint64_t> exceptionParameters;
    Context context;
    std::vector<Module> modules;
    std::vector<Memory> memory;
    std::string maps;

    // The memory range holding `address`, or null.
    const Memory* MemoryAt(uint64_t address) const {
        for (const Memory& m : memory) {
            if (address >= m.address && address - m.address < m.bytes.size()) return &m;
        }
        return nullptr;
    }
    // The module whose name ends with "/<file>", or null.
    const Module* ModuleNamed(const std::string& file) const {
        for (const Module& m : modules) {
            if (m.name.size() > file.size() && m.name.compare(m.name.size() - file.size() - 1,
                                                              std::string::npos, "/" + file) == 0) {
                return &m;
            }
        }
        return nullptr;
    }

  private:
    struct Location {
        uint32_t rva;
        uint32_t size;
    };

    bool Has(uint64_t at, uint64_t size) const {
        return at <= data_.size() && size <= data_.size() - at;
    }
    uint64_t Read(uint64_t at, int bytes) {
        if (!Has(at, static_cast<uint64_t>(bytes))) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data_[at + i]);
        return v;
    }
    uint16_t U16(uint64_t at) { return static_cast<uint16_t>(Read(at, 2)); }
    uint32_t U32(uint64_t at) { return static_cast<uint32_t>(Read(at, 4)); }
    uint64_t U64(uint64_t at) { return Read(at, 8); }
    std::optional<Location> Stream(uint32_t type) const {
        const auto it = streams_.find(type);
        if (it == streams_.end()) return std::nullopt;
        return it->second;
    }
    std::vector<uint8_t> Bytes(uint64_t at, uint64_t size) {
        if (!Has(at, size)) {
            ok_ = false;
            return {};
        }
        return std::vector<uint8_t>(data_.begin() + static_cast<ptrdiff_t>(at),
                                    data_.begin() + static_cast<ptrdiff_t>(at + size));
    }
    // A MINIDUMP_STRING as UTF-8.
    std::string String(uint64_t at) {
        const uint32_t bytes = U32(at);
        if (!ok_ || bytes % 2 != 0 || !Has(at + 4, uint64_t{bytes} + 2)) {
            ok_ = false;
            return {};
        }
        return TextDecoder::Utf16LeToUtf8(std::string_view(data_).substr(at + 4, bytes));
    }
    Memory MemoryDescriptor(uint64_t at) {
        Memory m;
        m.address = U64(at);
        m.bytes = Bytes(U32(at + 12), U32(at + 8));
        return m;
    }

    bool ReadSystemInfo() {
        const auto s = Stream(7);
        if (!s || s->size < 56) return false;
        architecture = U16(s->rva);
        processorCount = static_cast<uint8_t>(Read(s->rva + 6, 1));
        platform = U32(s->rva + 20);
        csdVersion = String(U32(s->rva + 24));
        return ok_;
    }
    bool ReadThreads() {
        const auto s = Stream(3);
        if (!s) return false;
        const uint32_t count = U32(s->rva);
        if (uint64_t{4} + uint64_t{48} * count > s->size) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = s->rva + 4 + uint64_t{48} * i;
            threadIds.push_back(U32(at));
            threadStacks.push_back(MemoryDescriptor(at + 24));
        }
        return ok_;
    }
    bool ReadException() {
        const auto s = Stream(6);
        if (!s || s->size < 168) return false;
        exceptionThread = U32(s->rva);
        exceptionCode = U32(s->rva + 8);
        exceptionAddress = U64(s->rva + 24);
        const uint32_t count = U32(s->rva + 32);
        if (count > 15) return false;
        for (uint32_t i = 0; i < count; ++i)
            exceptionParameters.push_back(U64(s->rva + 40 + 8 * i));
        const uint32_t contextSize = U32(s->rva + 160);
        const uint32_t contextRva = U32(s->rva + 164);
        if (contextSize < 1232 || !Has(contextRva, contextSize)) return false;
        context.flags = U32(contextRva + 48);
        context.rsp = U64(contextRva + 152);
        context.rip = U64(contextRva + 248);
        return ok_;
    }
    bool ReadModules() {
        const auto s = Stream(4);
        if (!s) return false;
        const uint32_t count = U32(s->rva);
        if (uint64_t{4} + uint64_t{108} * count > s->size) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = s->rva + 4 + uint64_t{108} * i;
            Module m;
            m.base = U64(at);
            m.size = U32(at + 8);
            m.name = String(U32(at + 20));
            const uint32_t cvSize = U32(at + 76);
            const uint32_t cvRva = U32(at + 80);
            if (cvSize >= 4) {
                m.cvSignature = U32(cvRva);
                m.buildId = Bytes(cvRva + 4, cvSize - 4);
            }
            modules.push_back(std::move(m));
        }
        return ok_;
    }
    bool ReadMemory() {
        const auto s = Stream(5);
        if (!s) return false;
        const uint32_t count = U32(s->rva);
        if (uint64_t{4} + uint64_t{16} * count > s->size) return false;
        for (uint32_t i = 0; i < count; ++i)
            memory.push_back(MemoryDescriptor(s->rva + 4 + 16 * i));
        return ok_;
    }
    bool ReadMaps() {
        const auto s = Stream(0x47670009);
        if (!s) return false;
        maps = data_.substr(s->rva, s->size);
        return true;
    }

    std::string data_;
    bool ok_ = true;
    std::map<uint32_t, Location> streams_;
};

}  // namespace zvp::test
