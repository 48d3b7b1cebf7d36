#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/CAppIni.h"
#include "skin/SkinCtrlValues.h"

namespace zvp {

// The built-in skin ("__default__"): its art, frame pieces and control sections. The art is
// compiled in as Qt resources, one SVG per resource id whose viewBox is the art's logical size.

// One piece of built-in art. A strip holds `pieces` looks side by side, each width / pieces
// wide and as high as the art; a check strip holds the four unchecked looks (normal, hover,
// pressed, dimmed), then the four checked ones.
struct BuiltinArt {
    int id;
    const char* path;  // Qt resource path
    int width;         // logical pixels
    int height;
    int pieces;  // 1: not a strip
    bool check;
};

inline constexpr std::array<BuiltinArt, 18> kBuiltinArt = {{
    {132, ":/skin/132-fullscreen-bar.svg", 8, 40, 1, false},
    {136, ":/skin/136-sizer-box.svg", 60, 50, 6, false},
    {137, ":/skin/137-minimize.svg", 40, 9, 4, false},
    {138, ":/skin/138-frame.svg", 135, 51, 1, false},
    {20012, ":/skin/20012-stop.svg", 80, 20, 4, false},
    {20013, ":/skin/20013-open.svg", 80, 20, 4, false},
    {20014, ":/skin/20014-mute.svg", 160, 20, 8, true},
    {20015, ":/skin/20015-prev.svg", 144, 20, 4, false},
    {20016, ":/skin/20016-next.svg", 144, 20, 4, false},
    {20017, ":/skin/20017-playpause.svg", 288, 20, 8, true},
    {20018, ":/skin/20018-menu.svg", 40, 9, 4, false},
    {20019, ":/skin/20019-close.svg", 40, 9, 4, false},
    {20020, ":/skin/20020-playlist-add.svg", 72, 18, 3, false},
    {20021, ":/skin/20021-playlist-delete.svg", 72, 18, 3, false},
    {20022, ":/skin/20022-playlist-mode.svg", 72, 18, 3, false},
    {20023, ":/skin/20023-playlist-sort.svg", 72, 18, 3, false},
    {20024, ":/skin/20024-slider-channel.svg", 12, 12, 1, false},
    {20025, ":/skin/20025-slider-thumb.svg", 12, 12, 1, false},
}};

// The art with that resource id, or null.
const BuiltinArt* FindBuiltinArt(int id);

// The frame: its art and the fourteen pieces, by index (keys in kFramePieceKeys).
inline constexpr int kBuiltinFrameArt = 138;
inline constexpr std::array<SkinRect, kFramePieceCount> kBuiltinFramePieces = {{
    {0, 0, 58, 25},
    {59, 0, 10, 25},
    {70, 0, 10, 25},
    {81, 0, 10, 25},
    {0, 26, 58, 25},
    {59, 26, 10, 25},
    {70, 26, 10, 25},
    {81, 26, 10, 25},
    {92, 0, 10, 30},
    {103, 0, 10, 30},
    {114, 0, 10, 30},
    {125, 0, 5, 10},
    {125, 11, 5, 10},
    {125, 22, 10, 10},
}};

// Colours the controls start with and the built-in skin restores (0x00BBGGRR).
inline constexpr uint32_t kSizerBackgroundColor = MakeColor(72, 72, 64);
inline constexpr uint32_t kStringTextColor = MakeColor(222, 222, 222);
inline constexpr uint32_t kStringFocusColor = MakeColor(255, 255, 255);
inline constexpr uint32_t kStringBackgroundColor = MakeColor(65, 65, 65);
inline constexpr uint32_t kListTextColor = MakeColor(0, 0, 0);
inline constexpr uint32_t kListTextBackgroundColor = MakeColor(225, 225, 255);
inline constexpr uint32_t kListErrorColor = MakeColor(255, 60, 60);
inline constexpr uint32_t kListHighlightColor = MakeColor(75, 160, 20);
inline constexpr uint32_t kListHighlightBackgroundColor = MakeColor(172, 255, 172);

// One control of the built-in skin: geometry (anchored as in SkinCtrlValues) and art ids.
struct BuiltinCtrl {
    const char* section;
    SkinCtrlKind kind;
    SkinRect geometry;  // left, top, width, height
    int imageId;        // the strip; 0: none
    int boxImageId;     // slider thumb or sizer box strip; 0: none
    int boxPieces;      // sizer: pieces in the box strip
    bool horizontal;    // slider
    int fontWidth;      // string
    int fontHeight;
};

// The main window's controls, in the order the window reads their sections.
inline constexpr std::array<BuiltinCtrl, 21> kBuiltinCtrls = {{
    {"screen", SkinCtrlKind::kScreen, {5, 25, -165, -40}, 0, 0, 0, false, 0, 0},
    {"sizer", SkinCtrlKind::kSizer, {-160, 45, -155, -40}, 0, 136, 6, false, 0, 0},
    {"playlist", SkinCtrlKind::kList, {-150, 45, -5, -40}, 0, 0, 0, false, 0, 0},
    {"stop", SkinCtrlKind::kButton, {43, -24, 20, 20}, 20012, 0, 0, false, 0, 0},
    {"open", SkinCtrlKind::kButton, {19, -24, 20, 20}, 20013, 0, 0, false, 0, 0},
    {"mute", SkinCtrlKind::kCheck, {182, -24, 20, 20}, 20014, 0, 0, false, 0, 0},
    {"prev", SkinCtrlKind::kButton, {67, -24, 36, 20}, 20015, 0, 0, false, 0, 0},
    {"playpause", SkinCtrlKind::kCheck, {103, -24, 36, 20}, 20017, 0, 0, false, 0, 0},
    {"next", SkinCtrlKind::kButton, {139, -24, 36, 20}, 20016, 0, 0, false, 0, 0},
    {"menu", SkinCtrlKind::kButton, {7, 8, 10, 9}, 20018, 0, 0, false, 0, 0},
    {"minimize", SkinCtrlKind::kButton, {-28, 7, 10, 9}, 137, 0, 0, false, 0, 0},
    {"close", SkinCtrlKind::kButton, {-17, 7, 10, 9}, 20019, 0, 0, false, 0, 0},
    {"playlist_open", SkinCtrlKind::kButton, {-150, 25, 20, 20}, 20013, 0, 0, false, 0, 0},
    {"playlist_add", SkinCtrlKind::kButton, {-101, 25, 24, 18}, 20020, 0, 0, false, 0, 0},
    {"playlist_delete", SkinCtrlKind::kButton, {-77, 25, 24, 18}, 20021, 0, 0, false, 0, 0},
    {"playlist_mode", SkinCtrlKind::kButton, {-53, 25, 24, 18}, 20022, 0, 0, false, 0, 0},
    {"playlist_sort", SkinCtrlKind::kButton, {-29, 25, 24, 18}, 20023, 0, 0, false, 0, 0},
    {"position_bar", SkinCtrlKind::kSlider, {5, -40, -5, 12}, 20024, 20025, 0, true, 0, 0},
    {"volume_bar", SkinCtrlKind::kSlider, {206, -20, 50, 12}, 20024, 20025, 0, true, 0, 0},
    {"progress_string", SkinCtrlKind::kString, {300, -24, 120, 19}, 0, 0, 0, false, 12, 12},
    {"title_string", SkinCtrlKind::kString, {75, 3, -100, 19}, 0, 0, 0, false, 12, 12},
}};

// The built-in control under that section name (ASCII case ignored), or null.
const BuiltinCtrl* FindBuiltinCtrl(std::string_view section);

// The built-in control as a parsed section: its geometry, art, the art's piece count, and the
// colours its kind starts with (sizer background, string and list colours).
SkinCtrlValues BuiltinCtrlValues(const BuiltinCtrl& ctrl);

// The built-in frame as a parsed "window" section.
SkinWindowValues BuiltinWindowValues();

}  // namespace zvp
