#pragma once

#include <ass/ass.h>

#include <cstdint>
#include <optional>
#include <string>

#include "subtitle/ISubtitleHost.h"

namespace zvp {

// The style the settings impose on subtitle tracks. Pure functions; any thread.

// s = fontSizeSetting + 4.5, at most 5.0, and 2.0 when 2.0 or less; the size is
// s x frameHeight / 100 x 1.4 (script units, the script resolution being the frame size).
double StyleFontSize(int fontSizeSetting, int frameHeight);

// The outline width from "subtitle::font_border_size": -10 gives 0, -1 gives 1, 1 gives 3,
// any other value 2. The shadow is one more.
int StyleBorder(int borderSetting);

// A colour setting RRGGBB as a libass colour 0xRRGGBB00 (fully opaque); a missing setting
// gives 0xFFFFFFFF, a text with a non-hexadecimal character 0.
uint32_t StyleColor(const std::optional<std::string>& setting);

// Fills `style` from `settings` for a frame `frameHeight` pixels high: font "Arial", size,
// colours, bold, scale 1.0, border style 1, outline b, shadow b + 1, bottom-centre
// alignment, margins 10, 10, 5. The style's strings stay owned by libass (malloc'ed).
void ApplyStyleTo(ASS_Style* style, const SubtitleSettings& settings, int frameHeight);

// Applies the settings' style to the track's first style. libass puts its own fallback
// style "Default" first in every track; the first style the file defines (which its
// dialogue uses) is styled too.
void ApplyStyle(ASS_Track* track, const SubtitleSettings& settings, int frameHeight);

}  // namespace zvp
