#pragma once

#include <atomic>
#include <memory>

#include "graph/CMediaType.h"
#include "graph/CSampleRef.h"
#include "graph/FFmpegPtr.h"
#include "graph/GraphTypes.h"

namespace zvp {

class CMemAllocator;

inline constexpr HRESULT VFW_S_NO_STOP_TIME = 0x00040270;

// One buffer of an allocator together with its per-delivery properties: actual data length
// (the whole buffer when handed out, until SetActualDataLength),
// optional start/stop times (stream times, 100 ns), optional media times, sync point,
// discontinuity, preroll, an optional new media type for a format change, and an optional
// lent picture: a reference to a decoder's frame that stands for the buffer's contents.
//
// Ownership: the allocator owns every sample; users hold CSampleRef references. The
// properties are reset when the buffer is handed out by GetBuffer. Threads: a sample is
// used by one thread at a time (filled by the streaming thread, then read by the renderer
// inside Receive or after it took its own reference); only the reference count is atomic.
class CMediaSample {
  public:
    CMediaSample(CMemAllocator* allocator, BYTE* buffer, long size);
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;

    HRESULT GetPointer(BYTE** ppBuffer);
    BYTE* Data() const { return buffer_; }
    long GetSize() const { return size_; }
    long GetActualDataLength() const { return actual_; }
    // Fails with E_INVALIDARG for a length below 0 or above the buffer size.
    HRESULT SetActualDataLength(long length);

    // S_OK with both times, VFW_S_NO_STOP_TIME with the start only (*pTimeEnd = start + 1),
    // VFW_E_SAMPLE_TIME_NOT_SET without times. Null pointers are E_POINTER.
    HRESULT GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) const;
    // A null start clears the times; a null end sets the start only.
    HRESULT SetTime(const REFERENCE_TIME* pTimeStart, const REFERENCE_TIME* pTimeEnd);
    HRESULT GetMediaTime(int64_t* pStart, int64_t* pEnd) const;
    HRESULT SetMediaTime(const int64_t* pStart, const int64_t* pEnd);  // null clears

    HRESULT IsSyncPoint() const { return sync_ ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(bool on) {
        sync_ = on;
        return S_OK;
    }
    HRESULT IsDiscontinuity() const { return discontinuity_ ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(bool on) {
        discontinuity_ = on;
        return S_OK;
    }
    HRESULT IsPreroll() const { return preroll_ ? S_OK : S_FALSE; }
    HRESULT SetPreroll(bool on) {
        preroll_ = on;
        return S_OK;
    }

    // The media type attached for a format change, or null. Owned by the sample.
    const CMediaType* GetMediaType() const { return mediaType_.get(); }
    // Attaches a copy of `pMediaType`, or detaches with null.
    HRESULT SetMediaType(const CMediaType* pMediaType);

    // A YV12 sample may carry the decoder's picture instead of a copy in its buffer: a frame
    // of 8-bit 4:2:0 planes (Y, U, V) of the sample's picture size, each with its own row
    // length, which nobody writes to. Only a renderer whose input pin says TakesFramePlanes
    // is sent such samples; the buffer's bytes are then meaningless. The reference goes when
    // the sample returns to its allocator.
    void LendFrame(AVFramePtr frame) { frame_ = std::move(frame); }
    const AVFrame* LentFrame() const { return frame_.get(); }
    // Rows of a lent picture that were drawn on after it was lent (a subtitle): its luma rows
    // [top, bottom) and the chroma rows [top / 2, bottom / 2) below them are in the buffer, at
    // their places in its packed YV12 layout (Y, then V, then U); every other row is the lent
    // frame's. `top` and `bottom` are even. Empty when nothing was drawn; reset with the frame.
    void SetLentBand(RowBand band) { band_ = band; }
    RowBand LentBand() const { return band_; }

    // Reference counting for CSampleRef and the allocator. The last Release hands the
    // buffer back to the allocator.
    void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void Release();

  private:
    friend class CMemAllocator;
    // Called by the allocator when it hands the buffer out (count becomes 1).
    void ResetForDelivery();

    CMemAllocator* allocator_;  // the owner; outlives every sample reference
    BYTE* buffer_;
    long size_;
    long actual_ = 0;
    bool timeValid_ = false;
    bool stopValid_ = false;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    bool mediaTimeValid_ = false;
    int64_t mediaStart_ = 0;
    int64_t mediaStop_ = 0;
    bool sync_ = false;
    bool discontinuity_ = false;
    bool preroll_ = false;
    std::unique_ptr<CMediaType> mediaType_;
    AVFramePtr frame_;
    RowBand band_;
    std::atomic<int> refs_{0};
};

using IMediaSample = CMediaSample;

}  // namespace zvp
