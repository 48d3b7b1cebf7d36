#pragma once

#include <string>

namespace zvp {

// Deletes, in `folder` and the folders below it, every regular file whose name ends in
// ".run", ".AppImage", ".deb" or ".part", and every relauncher copy ("Hopover"). Symbolic
// links are never followed, to folders or files: a linked folder is not entered and a link is
// not deleted. Failures are skipped. Returns the number of files deleted.
// `folder` empty: the Installer folder. Stateless; any thread (the upgrade worker).
int CleanInstallerFolder(const std::string& folder = {});

}  // namespace zvp
