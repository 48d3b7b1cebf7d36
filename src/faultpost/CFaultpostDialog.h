#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace zvp {

// The crash-report dialog of Faultpost: "<program> closed unexpectedly.", the first two lines
// of the report in the folder, the folder itself, and the buttons "Open Folder" (shows the
// folder in the desktop's file manager, through xdg-open when the platform plugin has no
// desktop services) and "Close". It sends nothing anywhere. UI thread.
class CFaultpostDialog : public QDialog {
    Q_OBJECT

  public:
    // `folder` holds ERRORLOG.TXT and CRASH.DMP and ends with "/".
    CFaultpostDialog(const QString& programName, const QString& version, const QString& folder,
                     QWidget* parent = nullptr);

    // The first `count` lines of the UTF-16LE report "ERRORLOG.TXT" in `folder`, without
    // their line ends; fewer when the file is shorter or missing.
    static QStringList ReadReportHead(const QString& folder, int count);

  private:
    void OpenFolder();

    QString folder_;
};

}  // namespace zvp
