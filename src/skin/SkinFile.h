#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/IniDocument.h"
#include "skin/SkinCtrlValues.h"

namespace zvp {

// Skin files: INI files naming the frame image and its pieces in a "window" section and, in
// one section per control, the control's image strip, geometry and colours. Reading and
// parsing only; the windows apply the values. Stateless functions; any thread. Paths are
// UTF-8 with "/" separators.

// The largest skin file read.
inline constexpr size_t kMaxSkinFileSize = 1024 * 1024;
// Geometry values (positions, sizes, piece counts, font sizes) are clamped to this magnitude.
inline constexpr int kMaxSkinValue = 32767;

// A control section and the kind of control that reads it.
struct SkinSection {
    const char* name;
    SkinCtrlKind kind;
};

// The main window's control sections, in the order the window applies them.
inline constexpr std::array<SkinSection, 21> kMainWindowSections = {{
    {"screen", SkinCtrlKind::kScreen},
    {"sizer", SkinCtrlKind::kSizer},
    {"playlist", SkinCtrlKind::kList},
    {"stop", SkinCtrlKind::kButton},
    {"open", SkinCtrlKind::kButton},
    {"mute", SkinCtrlKind::kCheck},
    {"prev", SkinCtrlKind::kButton},
    {"playpause", SkinCtrlKind::kCheck},
    {"next", SkinCtrlKind::kButton},
    {"menu", SkinCtrlKind::kButton},
    {"minimize", SkinCtrlKind::kButton},
    {"close", SkinCtrlKind::kButton},
    {"playlist_open", SkinCtrlKind::kButton},
    {"playlist_add", SkinCtrlKind::kButton},
    {"playlist_delete", SkinCtrlKind::kButton},
    {"playlist_mode", SkinCtrlKind::kButton},
    {"playlist_sort", SkinCtrlKind::kButton},
    {"position_bar", SkinCtrlKind::kSlider},
    {"volume_bar", SkinCtrlKind::kSlider},
    {"progress_string", SkinCtrlKind::kString},
    {"title_string", SkinCtrlKind::kString},
}};

// The full-screen toolbar's control sections, in the order it applies them; its background
// image is the "image" of kFullScreenWindowSection.
inline constexpr const char* kWindowSection = "window";
inline constexpr const char* kFullScreenWindowSection = "fullscreen_window";
inline constexpr std::array<SkinSection, 9> kFullScreenSections = {{
    {"fullscreen_stop", SkinCtrlKind::kButton},
    {"fullscreen_open", SkinCtrlKind::kButton},
    {"fullscreen_mute", SkinCtrlKind::kCheck},
    {"fullscreen_prev", SkinCtrlKind::kButton},
    {"fullscreen_playpause", SkinCtrlKind::kCheck},
    {"fullscreen_next", SkinCtrlKind::kButton},
    {"fullscreen_position_bar", SkinCtrlKind::kSlider},
    {"fullscreen_volume_bar", SkinCtrlKind::kSlider},
    {"fullscreen_progress_string", SkinCtrlKind::kString},
}};

// Reads the skin file at `path` into `document` (replacing its content), with every value
// trimmed of spaces and tabs. The file must be a regular file of at most kMaxSkinFileSize
// bytes; it is read as CStdioFileEx reads text (UTF-16 or UTF-8 by mark, else UTF-8 or a
// detected code page) and is never created. False, after logging "Cannot read skin file: %s",
// when it cannot be read; `document` is then empty.
bool ReadSkinFile(const std::string& path, IniDocument& document);

// A geometry value: ParseLeadingInt's number clamped to ±kMaxSkinValue; a clamped value logs
// "Skin value out of range: [section] key".
int ParseSkinInt(std::string_view section, std::string_view key, std::string_view text);

// "r, g, b" in decimal as 0x00BBGGRR, each part clamped to 0…255. Nullopt unless the text has
// exactly three comma-separated parts.
std::optional<uint32_t> ParseSkinColor(std::string_view text);

// "x, y, width, height": the first four of at least four comma-separated parts (each as by
// ParseSkinInt); fewer parts give an empty (all zero) piece.
SkinRect ParseSkinPiece(std::string_view section, std::string_view key, std::string_view text);

// The full path of an image named in a skin file: `folder` (ending in "/") followed by
// `value`, with "\" read as "/". A path that does not exist is looked up again one component
// of `value` at a time, each matched to an existing name regardless of case (skins written
// on systems whose file names ignore case); without a match the unresolved path is returned.
// An empty value gives an empty path.
std::string ResolveSkinFile(const std::string& folder, std::string_view value);

// The control section `section` of `document` as the control of `kind` applies it, with file
// names resolved against `folder`; nullopt when the document has no such section (the control
// then keeps its geometry). Absent keys take their defaults: "image_pieces" 4 (also for
// values <= 0), "horz" 0, "box_pieces" 0 (also for values <= 0), a sizer's
// "background_color" 72, 72, 64; colours and the font size otherwise stay unset.
std::optional<SkinCtrlValues> ParseCtrlSection(const IniDocument& document,
                                               std::string_view section, SkinCtrlKind kind,
                                               const std::string& folder);

// The "window" section: frame image and pieces; nullopt when there is no such section.
std::optional<SkinWindowValues> ParseWindowSection(const IniDocument& document,
                                                   const std::string& folder);

// Everything a skin file gives: the frame, the full-screen toolbar's background and the
// control sections present in the file (by section name).
struct SkinDefinition {
    SkinWindowValues window;
    SkinImageSource fullScreenImage;  // empty without a "fullscreen_window" image
    std::map<std::string, SkinCtrlValues, IniNameLess> controls;

    const SkinCtrlValues* FindCtrl(std::string_view section) const;
};

// The document as a skin read from `folder`: the window section and the sections of
// kMainWindowSections and kFullScreenSections. Nullopt without a "window" section.
std::optional<SkinDefinition> ParseSkinDefinition(const IniDocument& document,
                                                  const std::string& folder);

// Reads and parses the skin file at `path` (its folder resolves the file names). Nullopt
// when it cannot be read, or, after logging "Skin file has no window section: %s", when it
// has no "window" section.
std::optional<SkinDefinition> ReadSkinDefinition(const std::string& path);

}  // namespace zvp
