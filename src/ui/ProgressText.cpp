#include "ui/ProgressText.h"

#include <cstdint>

#include "app/TextFormat.h"

namespace zvp {

std::string ProgressText(double position, double duration) {
    return FormatClock(static_cast<int64_t>(position)) + "/" +
           FormatClock(static_cast<int64_t>(duration));
}

}  // namespace zvp
