#include "ui/MenuOpenGuard.h"

namespace zvp {

namespace {
bool menuOpen = false;
}  // namespace

bool IsMenuOpen() {
    return menuOpen;
}

void SetMenuOpen(bool open) {
    menuOpen = open;
}

}  // namespace zvp
