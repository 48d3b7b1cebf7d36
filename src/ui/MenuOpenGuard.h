#pragma once

namespace zvp {

// The process-wide menu-open flag: set while a menu of the main window or one of its modal
// dialogs is open, so that full screen keeps the cursor and the toolbar shown. UI thread only.
bool IsMenuOpen();
void SetMenuOpen(bool open);

// Sets the menu-open flag for its lifetime (around a dialog's exec()); restores the value it
// found, so guards nest.
class MenuOpenGuard {
  public:
    MenuOpenGuard() : previous_(IsMenuOpen()) { SetMenuOpen(true); }
    ~MenuOpenGuard() { SetMenuOpen(previous_); }
    MenuOpenGuard(const MenuOpenGuard&) = delete;
    MenuOpenGuard& operator=(const MenuOpenGuard&) = delete;

  private:
    bool previous_;
};

}  // namespace zvp
