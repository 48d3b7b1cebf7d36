#pragma once

#include <cstdint>
#include <string>

namespace zvp {

// Fixed text formats for durations and sizes. Negative inputs count as 0. Any thread.

// "MM:SS" under one hour, else "HH:MM:SS".
std::string FormatClock(int64_t seconds);
// Under one hour the started minutes, "2m"; else hours with one decimal, "1.5h" (seconds
// ignored).
std::string FormatHoursOrMinutes(int64_t seconds);
// "[H:]MM:SS" of the whole seconds in `milliseconds`; the hours only when non-zero.
std::string FormatMilliseconds(int64_t milliseconds);
// "<n>GB", "<n>MB", "<n>KB" with `decimals` digits (0 to 9) after the point, the first unit
// whose value is at least 1; below 1 KB the plain byte count.
std::string FormatByteSize(int64_t bytes, int decimals);
// "%d".
std::string FormatInt(int64_t value);

}  // namespace zvp
