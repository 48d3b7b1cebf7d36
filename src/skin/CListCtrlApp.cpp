#include "skin/CListCtrlApp.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "app/CAppIni.h"
#include "playlist/CPlaylistModel.h"
#include "skin/BuiltinSkin.h"

namespace zvp {
namespace {

const QColor kAccent(75, 160, 20);
constexpr int kDimmedAlpha = 150;

QColor ToQColor(uint32_t color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

EventArg Arg(int value) {
    return static_cast<EventArg>(static_cast<intptr_t>(value));
}

}  // namespace

CListCtrlApp::CListCtrlApp(QWidget* parent)
    : CListCtrlFocus(parent),
      text_(kListTextColor),
      textBackground_(kListTextBackgroundColor),
      error_(kListErrorColor),
      highlight_(kListHighlightColor),
      highlightBackground_(kListHighlightBackgroundColor) {
    ApplyBackground();
}

CListCtrlApp::~CListCtrlApp() = default;

void CListCtrlApp::SetPlaylistModel(CPlaylistModel* model) {
    if (model_) disconnect(model_, nullptr, this, nullptr);
    QItemSelectionModel* own = selectionModel();
    model_ = model;
    setModel(model);
    if (own && own->parent() == this) delete own;
    if (!model) return;
    QItemSelectionModel* created = selectionModel();
    setSelectionModel(model->GetSelectionModel());
    if (created && created != model->GetSelectionModel() && created->parent() == this) {
        delete created;
    }
    connect(model, &CPlaylistModel::EnsureVisibleRequested, this, [this](int row) {
        if (model_) scrollTo(model_->index(row, 0));
    });
    connect(model, &CPlaylistModel::UpdateColumnsRequested, this, &CListCtrlApp::UpdateColumns);
    UpdateColumns();
}

void CListCtrlApp::UpdateColumns() {
    if (!model() || model()->columnCount() < 2) return;
    const int title = std::max(viewport()->width() - kDurationWidth, 0);
    if (header()->sectionSize(0) != title) header()->resizeSection(0, title);
    if (header()->sectionSize(1) != kDurationWidth) header()->resizeSection(1, kDurationWidth);
}

void CListCtrlApp::updateGeometries() {
    CListCtrlFocus::updateGeometries();
    UpdateColumns();
}

void CListCtrlApp::ApplyBackground() {
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ToQColor(textBackground_));
    colors.setColor(QPalette::Window, ToQColor(textBackground_));
    colors.setColor(QPalette::Text, ToQColor(text_));
    colors.setColor(QPalette::Highlight, kAccent);
    colors.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colors);
    viewport()->update();
}

void CListCtrlApp::SetTextColor(uint32_t color) {
    text_ = color;
    ApplyBackground();
}

void CListCtrlApp::SetTextBackgroundColor(uint32_t color) {
    textBackground_ = color;
    ApplyBackground();
}

void CListCtrlApp::SetTextErrorColor(uint32_t color) {
    error_ = color;
    viewport()->update();
}

void CListCtrlApp::SetTextHighlightColor(uint32_t color) {
    highlight_ = color;
    viewport()->update();
}

void CListCtrlApp::SetTextHighlightBackgroundColor(uint32_t color) {
    highlightBackground_ = color;
    viewport()->update();
}

void CListCtrlApp::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const bool active = index.data(CPlaylistModel::ActiveRole).toBool();
    const bool failed = index.data(CPlaylistModel::LoadFailedRole).toBool();
    QColor text = ToQColor(active ? highlight_ : text_);
    if (failed) {
        text = ToQColor(error_);
        text.setAlpha(kDimmedAlpha);
    }
    const QColor background = ToQColor(active ? highlightBackground_ : textBackground_);
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    painter->fillRect(QRect(0, option.rect.y(), viewport()->width(), option.rect.height()),
                      selected ? kAccent : background);
    QStyleOptionViewItem row = option;
    row.palette.setColor(QPalette::Text, text);
    row.palette.setColor(QPalette::Base, background);
    row.palette.setColor(QPalette::Window, background);
    row.palette.setColor(QPalette::Highlight, kAccent);
    row.palette.setColor(QPalette::HighlightedText, Qt::white);
    CListCtrlFocus::drawRow(painter, row, index);
}

int CListCtrlApp::SelectedRow() const {
    const QItemSelectionModel* selection = selectionModel();
    if (!model_ || !selection) return -1;
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), QModelIndex())) {
        return current.row();
    }
    int first = -1;
    for (const QModelIndex& index : selection->selectedIndexes()) {
        if (first < 0 || index.row() < first) first = index.row();
    }
    return first;
}

void CListCtrlApp::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (model_ && control) {
        std::optional<CPlaylistModel::Move> move;
        switch (event->key()) {
            case Qt::Key_Up:
                move = CPlaylistModel::Move::Up;
                break;
            case Qt::Key_Down:
                move = CPlaylistModel::Move::Down;
                break;
            case Qt::Key_Home:
                move = CPlaylistModel::Move::Top;
                break;
            case Qt::Key_End:
                move = CPlaylistModel::Move::Bottom;
                break;
            default:
                break;
        }
        if (move) {
            model_->MoveSelected(*move);
            const QModelIndex current = selectionModel()->currentIndex();
            if (current.isValid()) scrollTo(current);
            event->accept();
            return;
        }
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const int row = SelectedRow();
            if (row >= 0) {
                model_->Activate(row);
                Notify("ActiveSelected", Arg(row), 0);
            }
            event->accept();
            return;
        }
        case Qt::Key_Delete:
            Notify("DeleteSelectedItems", 0, 0);
            event->accept();
            return;
        default:
            CListCtrlFocus::keyPressEvent(event);
    }
}

void CListCtrlApp::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !model_) {
        event->ignore();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    model_->Activate(index.row());
    Notify("LeftDblClicked", Arg(index.row()), 0);
}

void CListCtrlApp::mouseReleaseEvent(QMouseEvent* event) {
    CListCtrlFocus::mouseReleaseEvent(event);
    if (event->button() != Qt::RightButton) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    Notify("RightClicked", Arg(index.isValid() ? index.row() : -1), 0);
}

}  // namespace zvp
