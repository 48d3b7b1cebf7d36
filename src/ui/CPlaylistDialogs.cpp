#include "ui/CPlaylistDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/AppTexts.h"
#include "ui/CFileDlgPro.h"

namespace zvp {

std::vector<std::string> CPlaylistDialogs::GetOpenFileNames(const std::string& startFolder,
                                                            const std::string& filter) {
    CFileDlgPro dialog(parent_, CFileDlgPro::Kind::Open, startFolder, filter);
    return dialog.Run();
}

std::string CPlaylistDialogs::GetSaveFileName(const std::string& startFolder,
                                              const std::string& initialName,
                                              const std::string& filter,
                                              const std::string& defaultSuffix) {
    CFileDlgPro dialog(parent_, CFileDlgPro::Kind::Save, startFolder, filter);
    dialog.SetDefaultSuffix(defaultSuffix);
    dialog.SetInitialName(initialName);
    const std::vector<std::string> chosen = dialog.Run();
    return chosen.empty() ? std::string() : chosen.front();
}

bool CPlaylistDialogs::BrowseForFolder(std::string& folder, const std::string& title) {
    const QString start = QString::fromStdString(folder);
    const QString chosen = QFileDialog::getExistingDirectory(
        parent_, QString::fromStdString(title),
        !start.isEmpty() && QDir(start).exists() ? start : QDir::homePath(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty()) return false;
    folder = chosen.toStdString();
    if (folder.back() != '/') folder += '/';
    return true;
}

void CPlaylistDialogs::ShowMessage(const std::string& text) {
    // A command running under the wait cursor (Open Disc) still shows its answer with an arrow.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox::information(parent_, QString::fromUtf8(kProductName), QString::fromStdString(text),
                             QMessageBox::Ok);
    if (waiting) QApplication::restoreOverrideCursor();
}

}  // namespace zvp
