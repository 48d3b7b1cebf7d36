#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zvp {

// The kinds of skinned control; each control reports its kind's type name.
enum class SkinCtrlKind { kButton, kCheck, kList, kScreen, kSizer, kSlider, kString };

// "Button", "Check", "List", "Screen", "Sizer", "Slider" or "String".
const char* SkinCtrlTypeName(SkinCtrlKind kind);

// Where an image comes from: a piece of built-in art (its resource id) or an image file (its
// full path). Neither set means no image.
struct SkinImageSource {
    int resourceId = 0;  // 0: not built-in art
    std::string file;    // empty: not a file

    bool empty() const { return resourceId == 0 && file.empty(); }
    bool operator==(const SkinImageSource&) const = default;
};

// A rectangle in logical pixels: a frame piece within the frame image, or a control's
// left, top, width and height with the anchors described on SkinCtrlValues.
struct SkinRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    // A side of zero or less: nothing to draw.
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    bool operator==(const SkinRect&) const = default;
};

// The frame image is cut into fourteen pieces; each has its index and the key a skin file
// gives it under.
inline constexpr int kFramePieceCount = 14;
inline constexpr std::array<const char*, kFramePieceCount> kFramePieceKeys = {
    "titlebar_left",
    "titlebar_center",
    "titlebar_fill",
    "titlebar_right",
    "titlebar_left_inactive",
    "titlebar_center_inactive",
    "titlebar_fill_inactive",
    "titlebar_right_inactive",
    "ctrlbar_left",
    "ctrlbar_fill",
    "ctrlbar_right",
    "left_fill",
    "right_fill",
    "background_fill",
};

// The values of a skin's "window" section.
struct SkinWindowValues {
    SkinImageSource image;                          // the frame image
    std::array<SkinRect, kFramePieceCount> pieces;  // an unset piece is all zero
};

// One control section's values, as a control applies them. Geometry (logical pixels):
// a negative left or top counts from the parent's right or bottom edge; a negative width or
// height stretches the control to that far short of the parent's right or bottom edge.
// Colours are 0x00BBGGRR (MakeColor); an unset colour leaves the control's colour as it is.
// A value type; any thread.
struct SkinCtrlValues {
    SkinImageSource image;  // the image strip; empty: the control draws nothing of its own
    int imagePieces = 4;    // pieces side by side in the strip, always >= 1
    int left = 0;
    int top = 0;
    int width = 0;   // 0: derived by Geometry
    int height = 0;  // 0: derived by Geometry
    int right = 0;   // with width 0, a negative right becomes the width
    int bottom = 0;  // with height 0, a negative bottom becomes the height

    // Slider: horizontal track ("horz" non-zero); false gives a vertical slider.
    bool horizontal = false;
    // Slider: the thumb image, whose size is the thumb's size. Sizer: the toggle box's strip
    // (a check strip). Always applied: empty means no thumb image (size 0 x 0) or no box image.
    SkinImageSource boxImage;
    // Sizer: pieces in the box strip; the box's width is the strip width divided by it.
    // 0: the box keeps its width.
    int boxPieces = 0;

    std::optional<uint32_t> backgroundColor;               // Sizer (always set), String
    std::optional<uint32_t> textColor;                     // String, List
    std::optional<uint32_t> textFocusColor;                // String: while the pointer is over it
    std::optional<uint32_t> textBackgroundColor;           // List
    std::optional<uint32_t> textErrorColor;                // List: rows that failed to play
    std::optional<uint32_t> textHighlightColor;            // List: the playing row
    std::optional<uint32_t> textHighlightBackgroundColor;  // List: the playing row

    // String: both non-zero, or both 0 (leave the control's font size as it is).
    int fontWidth = 0;
    int fontHeight = 0;
    bool HasFont() const { return fontWidth != 0 && fontHeight != 0; }

    // Left, top, width and height with the sizes derived from the strip's logical size
    // (0 x 0 without an image): a width of 0 becomes `right` when that is negative, else the
    // strip width divided by imagePieces; a height of 0 becomes `bottom` when that is
    // negative, else the strip height. Anchored values stay anchored (negative).
    SkinRect Geometry(int stripWidth, int stripHeight) const;

    bool operator==(const SkinCtrlValues&) const = default;
};

}  // namespace zvp
