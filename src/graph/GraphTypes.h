#pragma once

#include <cstdint>

// Basic types, status codes and constants of the graph layer (the pipeline framework that
// carries media samples from the source filter to the renderers).
namespace zvp {

// Result of every graph operation: 0 success, 1 "success, but" (end of stream, no more),
// negative values are failures.
using HRESULT = int32_t;
using DWORD = uint32_t;
using LONG_PTR = intptr_t;
using BYTE = uint8_t;

// Times inside the graph: 100-nanosecond units, 10,000,000 per second.
using REFERENCE_TIME = int64_t;
inline constexpr REFERENCE_TIME UNITS = 10'000'000;
inline constexpr REFERENCE_TIME MILLISECONDS = 10'000;
inline constexpr REFERENCE_TIME kMaxReferenceTime = 0x7FFFFFFFFFFFFFFFLL;

// Sample times made from what a damaged file says may lie anywhere in the 64-bit range. Sums
// and differences of such times go through these: the result is clamped to +-2^61 units
// (about 7,300 years), so that the renderers' own sums and differences of clamped times, real
// offsets and durations cannot overflow either.
inline constexpr REFERENCE_TIME kTimeClamp = REFERENCE_TIME{1} << 61;
inline constexpr REFERENCE_TIME ClampTime(REFERENCE_TIME t) {
    return t > kTimeClamp ? kTimeClamp : t < -kTimeClamp ? -kTimeClamp : t;
}
inline constexpr REFERENCE_TIME TimeSum(REFERENCE_TIME a, REFERENCE_TIME b) {
    REFERENCE_TIME sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return a > 0 ? kTimeClamp : -kTimeClamp;
    return ClampTime(sum);
}
inline constexpr REFERENCE_TIME TimeDifference(REFERENCE_TIME a, REFERENCE_TIME b) {
    REFERENCE_TIME difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) return a > b ? kTimeClamp : -kTimeClamp;
    return ClampTime(difference);
}

// Rows [top, bottom) of a picture.
struct RowBand {
    int top = 0;
    int bottom = 0;
    bool empty() const { return bottom <= top; }
    int rows() const { return empty() ? 0 : bottom - top; }
};

inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT NOERROR = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT VFW_S_NO_MORE_ITEMS = 0x00040103;
// The pin is negotiating but the renderer has not yet reached the asked state.
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
inline constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207u);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
inline constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020Au);
inline constexpr HRESULT VFW_E_NOT_COMMITTED = static_cast<HRESULT>(0x80040211u);
inline constexpr HRESULT VFW_E_SIZENOTSET = static_cast<HRESULT>(0x80040212u);
inline constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = static_cast<HRESULT>(0x80040215u);
inline constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED = static_cast<HRESULT>(0x8004022Bu);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = static_cast<HRESULT>(0x8004022Cu);
inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = static_cast<HRESULT>(0x80040249u);
inline constexpr HRESULT VFW_E_NO_CLOCK = static_cast<HRESULT>(0x80040213u);
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);

// Filter states. A filter starts stopped; Pause activates its pins (streaming threads start,
// renderers pre-roll one sample); Run lets the renderers present by the clock.
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

// Event codes that filters report to the graph and the graph hands to its owner.
inline constexpr long EC_COMPLETE = 0x01;    // every connected renderer has ended
inline constexpr long EC_USERABORT = 0x02;   // the user ended playback
inline constexpr long EC_ERRORABORT = 0x03;  // p1: the failure code
inline constexpr long EC_PAUSED = 0x0E;      // a pause has completed (all renderers pre-rolled)
// Internal, from a renderer to the graph (never queued): a flush began, so its earlier
// EC_COMPLETE no longer counts.
inline constexpr long EC_RENDERER_FLUSHED = 0x10001;

// Seeking capabilities (CSourceSeeking, CFilterGraph::GetCapabilities).
inline constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x1;
inline constexpr DWORD AM_SEEKING_CanSeekForwards = 0x2;
inline constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x4;
inline constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x8;
inline constexpr DWORD AM_SEEKING_CanGetStopPos = 0x10;
inline constexpr DWORD AM_SEEKING_CanGetDuration = 0x20;

// Positioning flags of SetPositions (the low bits select how the value is meant).
inline constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
inline constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
inline constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
inline constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
inline constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;

// The only time format: 100 ns units.
enum class TimeFormat { MediaTime };
inline constexpr TimeFormat TIME_FORMAT_MEDIA_TIME = TimeFormat::MediaTime;

// Timeout value meaning "wait without limit" where a wait takes milliseconds.
inline constexpr long INFINITE_WAIT = -1;

}  // namespace zvp
