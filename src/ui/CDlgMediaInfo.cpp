#include "ui/CDlgMediaInfo.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <algorithm>

#include "engine/CEngineDS.h"
#include "playlist/CControlCenter.h"
#include "ui/AppIcon.h"

namespace zvp {

namespace {

constexpr int kTitleColumnWidth = 100;

QLabel* SelectableText(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

}  // namespace

CDlgMediaInfo::CDlgMediaInfo(QWidget* parent, CControlCenter& center)
    : CDlgMediaInfo(parent, ReadMediaInfo(center.GetController().GetEngine().GetMediaFile())) {}

CDlgMediaInfo::CDlgMediaInfo(QWidget* parent, MediaInfo info) : QDialog(parent) {
    setWindowTitle(tr("Media Infomation"));

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    name_ = SelectableText(info.fileName, this);
    name_->setObjectName("1001");
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    auto* pathLabel = new QLabel(tr("Path:"), this);
    folder_ = SelectableText(info.folder, this);
    folder_->setObjectName("1002");
    folder_->setWordWrap(true);

    list_ = new QTreeWidget(this);
    list_->setObjectName("1003");
    list_->setColumnCount(2);
    list_->setHeaderLabels({tr("Title"), tr("Info")});
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionsMovable(false);
    for (const auto& [label, value] : info.rows) {
        new QTreeWidgetItem(list_, {QString::fromStdString(label), QString::fromStdString(value)});
    }
    // 100 px, or wider when the list font needs it for the longest label.
    list_->resizeColumnToContents(0);
    list_->setColumnWidth(0, std::max(kTitleColumnWidth, list_->columnWidth(0)));

    auto* copy = new QAction(tr("&Copy"), list_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &CDlgMediaInfo::CopySelection);
    list_->addAction(copy);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(copy);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(pathLabel, 1, 1, Qt::AlignTop);
    grid->addWidget(folder_, 1, 2);
    grid->addWidget(list_, 2, 0, 1, 3);
    grid->addWidget(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    resize(380, 420);
}

QString CDlgMediaInfo::SelectionText() const {
    const bool all = list_->selectedItems().isEmpty();
    QString text;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (!all && !item->isSelected()) continue;
        text += item->text(0) + '\t' + item->text(1) + '\n';
    }
    return text;
}

void CDlgMediaInfo::CopySelection() {
    QApplication::clipboard()->setText(SelectionText());
}

}  // namespace zvp
