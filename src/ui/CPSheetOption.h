#pragma once

#include <QDialog>
#include <string>

class QTabWidget;

namespace zvp {

class CPPageSubtitle;

// The options sheet: a dialog titled "Option" holding the "Subtitle" page, with OK and
// Cancel at the bottom right. OK applies the page (CPPageSubtitle::Apply) and closes; Cancel,
// Esc and the title bar's close button close without writing anything. Made, run with exec()
// and destroyed for each use. UI thread only.
class CPSheetOption : public QDialog {
    Q_OBJECT

  public:
    CPSheetOption(QWidget* parent, const std::string& productName);

    CPPageSubtitle* SubtitlePage() const { return subtitle_; }

    void accept() override;

  private:
    QTabWidget* tabs_ = nullptr;
    CPPageSubtitle* subtitle_ = nullptr;
};

}  // namespace zvp
