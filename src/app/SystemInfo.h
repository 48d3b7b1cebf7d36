#pragma once

#include <string>

namespace zvp {

// Whether the Control key is held now (Qt's keyboard modifiers). False when there is no
// QGuiApplication. UI thread.
bool IsControlKeyDown();

// The operating system for the crash report: `name` "Linux", `code` 0 (the table of known
// systems has no entry for it), `numbers` "major.minor.patch" from the kernel release
// (missing parts are 0). False only when an argument is null or uname fails. Any thread.
bool GetWindowsVersionText(std::string* name, int* code, std::string* numbers);

}  // namespace zvp
