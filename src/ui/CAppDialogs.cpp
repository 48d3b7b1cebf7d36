#include "ui/CAppDialogs.h"

#include "ui/CDlgAbout.h"
#include "ui/CDlgMediaInfo.h"
#include "ui/CPSheetOption.h"
#include "ui/MenuOpenGuard.h"

namespace zvp {

CAppDialogs::CAppDialogs(CControlCenter& center, std::string productName, std::string versionText)
    : center_(center), productName_(std::move(productName)), versionText_(std::move(versionText)) {}

void CAppDialogs::ShowOptions(QWidget* parent) {
    MenuOpenGuard menuOpen;
    CPSheetOption sheet(parent, productName_);
    sheet.exec();
}

void CAppDialogs::ShowMediaInfo(QWidget* parent) {
    MenuOpenGuard menuOpen;
    CDlgMediaInfo dialog(parent, center_);
    dialog.exec();
}

void CAppDialogs::ShowAbout(QWidget* parent) {
    MenuOpenGuard menuOpen;
    CDlgAbout dialog(parent, productName_, versionText_);
    dialog.exec();
}

}  // namespace zvp
