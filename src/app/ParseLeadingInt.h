#pragma once

#include <string_view>

namespace zvp {

// The integer that `text` starts with: leading white space (space, tab, CR, LF, VT, FF), an
// optional sign, then decimal digits; anything after the digits is ignored ("12px" is 12).
// 0 when there are no digits. Values beyond the int range are clamped to INT_MIN / INT_MAX.
// Stateless; any thread.
int ParseLeadingInt(std::string_view text);

}  // namespace zvp
