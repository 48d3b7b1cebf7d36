#include "ui/CPSheetOption.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/CPPageSubtitle.h"

namespace zvp {

CPSheetOption::CPSheetOption(QWidget* parent, const std::string& productName) : QDialog(parent) {
    setWindowTitle(tr("Option"));
    tabs_ = new QTabWidget(this);
    subtitle_ = new CPPageSubtitle(tabs_, productName);
    tabs_->addTab(subtitle_, tr("Subtitle"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CPSheetOption::accept() {
    subtitle_->Apply();
    QDialog::accept();
}

}  // namespace zvp
