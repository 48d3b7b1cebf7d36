#include "ui/CDlgAbout.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "ui/AppIcon.h"
#include "ui/AppTexts.h"

namespace zvp {

CDlgAbout::CDlgAbout(QWidget* parent, const std::string& productName,
                     const std::string& versionText)
    : QDialog(parent) {
    const QString title =
        QString::fromStdString(productName) + ' ' + QString::fromStdString(versionText);
    setWindowTitle(title);

    auto* icon = new QLabel(this);
    icon->setObjectName("1012");
    icon->setPixmap(AppIcon().pixmap(64, 64));
    auto* text = new QLabel(title, this);
    text->setObjectName("1000");
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    link_ = new QLabel(QStringLiteral("<a href=\"changelog\">%1</a>").arg(tr("ChangeLog")), this);
    link_->setObjectName("1004");
    link_->setTextFormat(Qt::RichText);
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link_->setOpenExternalLinks(false);
    const QUrl url = ChangeLogUrl(versionText);
    link_->setToolTip(url.toString());
    connect(link_, &QLabel::linkActivated, this, [url] { QDesktopServices::openUrl(url); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(text, 0, 1);
    grid->addWidget(link_, 1, 1, Qt::AlignTop);
    grid->addWidget(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QUrl CDlgAbout::ChangeLogUrl(const std::string& versionText) {
    return QUrl(QStringLiteral("http://") + QString::fromUtf8(kWebHost) +
                QString::fromUtf8(kWhatsNewPath) + QString::fromStdString(versionText));
}

}  // namespace zvp
