#pragma once

#include <QPointer>
#include <QWidget>

#include "playlist/IPlaylistDialogs.h"

namespace zvp {

// The playlist commands' dialogs on Qt: CFileDlgPro for opening and saving, Qt's folder
// picker (non-native) and an OK-only message box titled with the product name. Each dialog
// is modal to `parent` (not owned; may go away first, then dialogs have no parent).
// UI thread only.
class CPlaylistDialogs : public IPlaylistDialogs {
  public:
    explicit CPlaylistDialogs(QWidget* parent) : parent_(parent) {}

    std::vector<std::string> GetOpenFileNames(const std::string& startFolder,
                                              const std::string& filter) override;
    std::string GetSaveFileName(const std::string& startFolder, const std::string& initialName,
                                const std::string& filter,
                                const std::string& defaultSuffix) override;
    bool BrowseForFolder(std::string& folder, const std::string& title) override;
    void ShowMessage(const std::string& text) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace zvp
