#include "ui/CFileDlgPro.h"

#include <QDir>

#include "app/FileTypes.h"

namespace zvp {

CFileDlgPro::CFileDlgPro(QWidget* parent, Kind kind, const std::string& startFolder,
                         const std::string& filter)
    : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    if (kind == Kind::Open) {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::ExistingFiles);
    } else {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setOption(QFileDialog::DontConfirmOverwrite, false);
    }
    const QString folder = QString::fromStdString(startFolder);
    setDirectory(!folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath());
    const QString filters = QString::fromStdString(ToQtFileDialogFilter(filter));
    if (!filters.isEmpty()) setNameFilters(filters.split(QStringLiteral(";;")));
}

void CFileDlgPro::SetDefaultSuffix(const std::string& suffix) {
    setDefaultSuffix(QString::fromStdString(suffix));
}

void CFileDlgPro::SetInitialName(const std::string& name) {
    if (!name.empty()) selectFile(QString::fromStdString(name));
}

std::vector<std::string> CFileDlgPro::Run() {
    std::vector<std::string> paths;
    if (exec() != QDialog::Accepted) return paths;
    for (const QString& file : selectedFiles()) paths.push_back(file.toStdString());
    return paths;
}

}  // namespace zvp
