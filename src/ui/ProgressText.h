#pragma once

#include <string>

namespace zvp {

// The progress line's text, "position/duration", each in whole seconds as "MM:SS", or
// "HH:MM:SS" from an hour on.
std::string ProgressText(double position, double duration);

}  // namespace zvp
