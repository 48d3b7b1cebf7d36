#pragma once

namespace zvp {

// Log levels: a smaller number is more severe.
inline constexpr int kLogError = 0;
inline constexpr int kLogInfo = 1;
inline constexpr int kLogDebug = 2;

// Names the place a diagnostic line comes from. `location` is "Class::Method" (static
// storage, may be null); created at the call site, usually as a temporary.
struct LogPoint {
    const char* location = nullptr;
    int level = kLogInfo;
};

}  // namespace zvp
