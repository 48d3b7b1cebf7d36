#pragma once

#include <QDialog>
#include <QUrl>
#include <string>

class QLabel;

namespace zvp {

// The about box: the application icon, "<product name> <version text>" as its text and its
// title, the link "ChangeLog" and OK. The link opens ChangeLogUrl(versionText) with
// QDesktopServices. UI thread only.
class CDlgAbout : public QDialog {
    Q_OBJECT

  public:
    CDlgAbout(QWidget* parent, const std::string& productName, const std::string& versionText);

    // "http://" + kWebHost + kWhatsNewPath + `versionText`; the version is percent-encoded
    // where a URL needs it ("2.0.17 beta" gives "v=2.0.17%20beta").
    static QUrl ChangeLogUrl(const std::string& versionText);

    QLabel* Link() const { return link_; }

  private:
    QLabel* link_ = nullptr;
};

}  // namespace zvp
