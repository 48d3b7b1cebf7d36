#include "ui/CComboBoxFont.h"

#include <QAbstractItemView>
#include <QListView>
#include <algorithm>

#include "subtitle/SubtitleFonts.h"
#include "ui/CFontItemDelegate.h"

namespace zvp {

namespace {

bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

CComboBoxFont::CComboBoxFont(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setItemDelegate(new CFontItemDelegate(this));
    // Every item has the same height, so the view asks the delegate once, not per item.
    if (auto* list = qobject_cast<QListView*>(view())) list->setUniformItemSizes(true);
    setMaxVisibleItems(std::max(1, kPopupHeight / (fontMetrics().height() + 4)));
}

void CComboBoxFont::FillInstalled() {
    SetFontNames(ListFontFamilies());
}

void CComboBoxFont::SetFontNames(const std::vector<std::string>& names) {
    QStringList items;
    items.reserve(int(names.size()));
    for (const std::string& name : names) items.push_back(QString::fromStdString(name));
    clear();
    addItems(items);
}

int CComboBoxFont::Find(const std::string& name) const {
    if (name.empty()) return -1;
    for (int i = 0; i < count(); ++i) {
        if (EqualsIgnoreAsciiCase(itemText(i).toStdString(), name)) return i;
    }
    return -1;
}

bool CComboBoxFont::SelectFont(const std::string& name) {
    int row = Find(name);
    if (row < 0) row = Find(GetEnglishFontName(name));
    if (row < 0) return false;
    setCurrentIndex(row);
    return true;
}

std::string CComboBoxFont::SelectedFont() const {
    return currentIndex() < 0 ? std::string() : currentText().toStdString();
}

void CComboBoxFont::showPopup() {
    if (QWidget* container = view()->parentWidget()) container->setMaximumHeight(kPopupHeight);
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup && popup != window() && popup->height() > kPopupHeight) {
        popup->setMaximumHeight(kPopupHeight);
        popup->resize(popup->width(), kPopupHeight);
    }
}

}  // namespace zvp
