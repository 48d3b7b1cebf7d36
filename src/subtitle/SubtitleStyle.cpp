#include "subtitle/SubtitleStyle.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zvp {

namespace {

void ReplaceString(char*& field, const char* text) {
    std::free(field);
    field = strdup(text);
}

}  // namespace

double StyleFontSize(int fontSizeSetting, int frameHeight) {
    double s = fontSizeSetting + 4.5;
    if (s > 5.0) s = 5.0;
    if (s <= 2.0) s = 2.0;
    return s * frameHeight / 100.0 * 1.4;
}

int StyleBorder(int borderSetting) {
    int b = 2;
    switch (borderSetting) {
        case -10:
            b = 0;
            break;
        case -1:
            b = 1;
            break;
        case 1:
            b = 3;
            break;
        default:
            b = 2;
            break;
    }
    return std::clamp(b, 0, 3);
}

uint32_t StyleColor(const std::optional<std::string>& setting) {
    if (!setting) return 0xFFFFFFFFu;
    const std::string text = *setting + "00";
    uint32_t value = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        if (i < 8) value = (value << 4) | uint32_t(digit);
    }
    return value;
}

void ApplyStyleTo(ASS_Style* style, const SubtitleSettings& settings, int frameHeight) {
    if (!style) return;
    ReplaceString(style->FontName, "Arial");
    style->FontSize = StyleFontSize(settings.font_size, frameHeight);
    style->PrimaryColour = StyleColor(settings.primary_color);
    style->SecondaryColour = StyleColor(settings.secondary_color);
    style->OutlineColour = StyleColor(settings.outline_color);
    style->BackColour = StyleColor(settings.shadow_color);
    style->Bold = 1;
    style->ScaleX = 1.0;
    style->ScaleY = 1.0;
    style->BorderStyle = 1;
    const int b = StyleBorder(settings.font_border_size);
    style->Outline = b;
    style->Shadow = b + 1;
    style->Alignment = 2;
    style->MarginL = 10;
    style->MarginR = 10;
    style->MarginV = 5;
}

void ApplyStyle(ASS_Track* track, const SubtitleSettings& settings, int frameHeight) {
    if (!track || track->n_styles <= 0) return;
    ApplyStyleTo(&track->styles[0], settings, frameHeight);
    if (track->n_styles > 1) ApplyStyleTo(&track->styles[1], settings, frameHeight);
}

}  // namespace zvp
