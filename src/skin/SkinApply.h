#pragma once

#include <QSize>
#include <span>
#include <string>

#include "skin/SkinCtrlValues.h"

class QMenu;

namespace zvp {

class CSkinCtrl;
class CSkinWnd;

// Applying a skin to a window and its controls, and the skin menu. UI thread only.
//
// A skin file applies over the built-in look: every control first takes its built-in values,
// then the file's section for it, when the section is present, its "image" (if named) loads
// and the control lands inside the window. A file that cannot be read, has no "window"
// section or whose frame image cannot load leaves the built-in skin. Applying changes images,
// geometry and colours only; a control's value, checked flag, play state, text, rows, tooltip
// and subscriptions stay. Images are shared: the window's cache is released first, and an
// image goes once the last control drawing it has taken its new one.

// One skinned control of a window and the section that styles it (a section of
// kMainWindowSections or kFullScreenSections).
struct SkinCtrlSlot {
    const char* section;
    CSkinCtrl* ctrl;  // not owned
};

// Menu command ids: the built-in skin, then the skin files in ListSkins order.
inline constexpr int kSkinDefaultCommand = 16900;
inline constexpr int kSkinFileCommandFirst = 16901;
inline constexpr int kMaxSkinMenuFiles = 96;

// Applies one parsed control section to `ctrl`, loading its images through `cacheOwner`'s
// cache: the strip and the geometry derived from it, then the kind's own values. False, with
// nothing changed, when an argument is null or the section names an image that cannot load.
bool ApplyCtrlSection(CSkinWnd* cacheOwner, CSkinCtrl* ctrl, const SkinCtrlValues* values);

// Whether a control with anchored `geometry` placed in a client area of `client` lies at least
// partly inside it.
bool LiesInside(const SkinRect& geometry, QSize client);

// Applies the built-in skin to `window` and its controls; lists the controls in the window,
// the playlist first.
void ApplyDefaultSkin(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls);

// Applies the skin file at `path` over the built-in skin and lists the controls in `ctrls`
// order. A section whose control would lie outside the window (at its current size, at least
// its minimum) is logged as "Skin control lies outside the window: [section]" and skipped.
// False when the built-in skin stays for the whole window (the reason logged).
bool LoadSkinFile(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls, const std::string& path);

// Runs a skin menu command: kSkinDefaultCommand applies the built-in skin, kSkinFileCommandFirst
// + i the i-th file of CSkinning::ListSkins() (listed again now); then places the controls,
// repaints and records the choice as the current skin name. False, with nothing changed, for
// any other id or a file index past the list.
bool SwitchSkin(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls, int commandId);

// When there is at least one skin file, appends a separator and a "&Skins" submenu to `menu`:
// "Default", a separator, then one entry per file (at most kMaxSkinMenuFiles) by display name
// with "&" doubled. Each action is checkable, in one exclusive group, and carries its command
// id as its data; the current skin is checked. Returns the submenu (owned by `menu`), or null.
QMenu* AddSkinsMenu(QMenu& menu);

}  // namespace zvp
