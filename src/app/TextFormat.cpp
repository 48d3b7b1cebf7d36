#include "app/TextFormat.h"

#include <cstdio>

namespace zvp {
namespace {

int64_t NotNegative(int64_t value) {
    return value < 0 ? 0 : value;
}

}  // namespace

std::string FormatClock(int64_t seconds) {
    seconds = NotNegative(seconds);
    const long long h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
    char text[48];
    if (h == 0) {
        std::snprintf(text, sizeof(text), "%.2lld:%.2lld", m, s);
    } else {
        std::snprintf(text, sizeof(text), "%.2lld:%.2lld:%.2lld", h, m, s);
    }
    return text;
}

std::string FormatHoursOrMinutes(int64_t seconds) {
    seconds = NotNegative(seconds);
    char text[48];
    if (seconds < 3600) {
        const double minutes = static_cast<double>((seconds + 59) / 60);
        std::snprintf(text, sizeof(text), "%.0fm", minutes);
    } else {
        const double hours =
            static_cast<double>(seconds / 3600) + static_cast<double>((seconds % 3600) / 60) / 60.0;
        std::snprintf(text, sizeof(text), "%.1fh", hours);
    }
    return text;
}

std::string FormatMilliseconds(int64_t milliseconds) {
    const long long seconds = NotNegative(milliseconds) / 1000;
    const long long h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
    char text[48];
    if (h > 0) {
        std::snprintf(text, sizeof(text), "%lld:%.2lld:%.2lld", h, m, s);
    } else {
        std::snprintf(text, sizeof(text), "%.2lld:%.2lld", m, s);
    }
    return text;
}

std::string FormatByteSize(int64_t bytes, int decimals) {
    bytes = NotNegative(bytes);
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    constexpr double kKb = 1024.0, kMb = kKb * 1024.0, kGb = kMb * 1024.0;
    const double size = static_cast<double>(bytes);
    char text[64];
    if (size / kGb >= 1.0) {
        std::snprintf(text, sizeof(text), "%.*fGB", decimals, size / kGb);
    } else if (size / kMb >= 1.0) {
        std::snprintf(text, sizeof(text), "%.*fMB", decimals, size / kMb);
    } else if (size / kKb >= 1.0) {
        std::snprintf(text, sizeof(text), "%.*fKB", decimals, size / kKb);
    } else {
        std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(bytes));
    }
    return text;
}

std::string FormatInt(int64_t value) {
    return std::to_string(value);
}

}  // namespace zvp
