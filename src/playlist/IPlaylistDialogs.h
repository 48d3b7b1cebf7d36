#pragma once

#include <string>
#include <vector>

namespace zvp {

// The dialogs the control centre's playlist commands ask the user through. The main window
// implements them with Qt's dialogs; tests with a scripted fake. Filters are in the form of
// app/FileTypes.h ("name|*.a;*.b;|name|...|"); folders end with "/".
//
// Each call is modal: it returns when the user has answered. Timer ticks and engine events
// may be delivered while it waits, so callers read the playlist only after it returns.
// Threads: UI thread only.
class IPlaylistDialogs {
  public:
    virtual ~IPlaylistDialogs() = default;

    // A multi-selection open dialog starting in `startFolder`: the chosen paths in the order
    // the dialog lists them; empty when cancelled.
    virtual std::vector<std::string> GetOpenFileNames(const std::string& startFolder,
                                                      const std::string& filter) = 0;

    // A save dialog starting in `startFolder` with `initialName` filled in; a name without a
    // suffix gets `defaultSuffix` (no dot). Asks before overwriting an existing file. The
    // chosen path, or empty when cancelled.
    virtual std::string GetSaveFileName(const std::string& startFolder,
                                        const std::string& initialName, const std::string& filter,
                                        const std::string& defaultSuffix) = 0;

    // A folder picker starting at `folder`; true with `folder` set to the chosen folder, false
    // (and `folder` unchanged) when cancelled.
    virtual bool BrowseForFolder(std::string& folder, const std::string& title) = 0;

    // A message box with `text` and an OK button only.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace zvp
