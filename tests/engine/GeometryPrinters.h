#pragma once

#include <ostream>

#include "engine/VideoGeometry.h"

namespace zvp {

// gtest prints these in failure messages as sizes and (left, top, right, bottom).
inline void PrintTo(const VideoSize& s, std::ostream* os) {
    *os << s.width << " x " << s.height;
}

inline void PrintTo(const VideoRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

}  // namespace zvp
