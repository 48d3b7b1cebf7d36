#pragma once

#include <algorithm>
#include <string_view>

namespace zvp {

// Whether `a` and `b` are equal when ASCII letters are compared without regard to case.
// Locale-free on purpose: a Turkish locale lowers 'I' to a dotless i, and these compare the
// fixed ASCII names of settings values.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace zvp
