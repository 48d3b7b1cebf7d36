#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graph/CMediaSample.h"
#include "graph/CSampleRef.h"
#include "graph/GraphTypes.h"

namespace zvp {

struct ALLOCATOR_PROPERTIES {
    long cBuffers = 0;  // number of buffers
    long cbBuffer = 0;  // bytes per buffer (usable, after the prefix)
    long cbAlign = 1;   // alignment of each buffer's data, a power of two
    long cbPrefix = 0;  // bytes reserved before each buffer's data
};

inline constexpr HRESULT VFW_E_ALREADY_COMMITTED = static_cast<HRESULT>(0x80040210u);
inline constexpr HRESULT VFW_E_BADALIGN = static_cast<HRESULT>(0x8004020Eu);

// A fixed number of equal buffers shared by one connection (the output pin fills them, the
// input pin receives them).
//
// Life: SetProperties (while decommitted) → Commit (buffers allocated) → GetBuffer/release
// cycles → Decommit (waiters fail; the buffers are kept for the next Commit and freed by the
// next SetProperties or the destructor) → Commit again.
// While flushing (SetFlushing(true), set by the output pin around a flush) GetBuffer fails
// at once with VFW_E_WRONG_STATE and wakes every waiter, so a streaming thread blocked for a
// buffer is released by a flush or a stop.
//
// Ownership: held by shared_ptr by both pins of the connection; each sample out keeps the
// allocator alive (samples returned after the pins let go still find it).
// Threads: any thread; all state is guarded by `lock_`.
class CMemAllocator : public std::enable_shared_from_this<CMemAllocator> {
  public:
    static std::shared_ptr<CMemAllocator> Create(const char* name = "CMemAllocator");
    ~CMemAllocator();
    CMemAllocator(const CMemAllocator&) = delete;
    CMemAllocator& operator=(const CMemAllocator&) = delete;

    // Sets the layout of the buffers; *pActual receives what was granted (the request,
    // with at least 1 buffer of at least 1 byte). VFW_E_ALREADY_COMMITTED while committed,
    // VFW_E_BUFFERS_OUTSTANDING while samples are out, VFW_E_BADALIGN for an alignment that
    // is not a power of two, E_POINTER for null pointers.
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual);
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* pProps) const;
    // Allocates the buffers (VFW_E_SIZENOTSET before SetProperties). Idempotent.
    HRESULT Commit();
    // Refuses further GetBuffer calls (VFW_E_NOT_COMMITTED) and wakes waiters.
    HRESULT Decommit();

    // Hands out a free buffer with its properties reset (times set from pStart/pEnd when
    // given). Blocks while all buffers are out; returns VFW_E_NOT_COMMITTED while
    // decommitted and VFW_E_WRONG_STATE while flushing, also to a caller already waiting.
    HRESULT GetBuffer(CSampleRef* ppBuffer, const REFERENCE_TIME* pStart,
                      const REFERENCE_TIME* pEnd, DWORD dwFlags);

    void SetFlushing(bool flushing);
    // For tests and benchmarks.
    long FreeCount() const;
    bool IsCommitted() const;

  private:
    friend class CMediaSample;
    explicit CMemAllocator(const char* name);
    // The last reference of `sample` went away: back to the free list.
    void ReleaseBuffer(CMediaSample* sample);

    struct Buffer {
        std::unique_ptr<BYTE[]> memory;
        std::unique_ptr<CMediaSample> sample;
    };

    std::string name_;
    mutable std::mutex lock_;
    std::condition_variable freed_;
    ALLOCATOR_PROPERTIES props_;       // guarded by lock_
    bool propsSet_ = false;            // guarded by lock_
    bool committed_ = false;           // guarded by lock_
    bool flushing_ = false;            // guarded by lock_
    std::vector<Buffer> buffers_;      // guarded by lock_
    std::vector<CMediaSample*> free_;  // guarded by lock_; points into buffers_
    long outstanding_ = 0;             // guarded by lock_
    // Keeps this allocator alive while samples are out (set on the first GetBuffer after
    // all were free, cleared when the last returns).
    std::shared_ptr<CMemAllocator> selfWhileOut_;  // guarded by lock_
};

using IMemAllocator = CMemAllocator;

}  // namespace zvp
