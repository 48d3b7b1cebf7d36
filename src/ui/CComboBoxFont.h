#pragma once

#include <QComboBox>
#include <string>
#include <vector>

namespace zvp {

// A drop-down list of font family names (not editable), each drawn in its own face by
// CFontItemDelegate. Its pop-up is at most kPopupHeight px high. UI thread only.
class CComboBoxFont : public QComboBox {
    Q_OBJECT

  public:
    static constexpr int kPopupHeight = 300;

    explicit CComboBoxFont(QWidget* parent = nullptr);

    // Replaces the items with the installed families (ListFontFamilies).
    void FillInstalled();
    // Replaces the items with `names` in the order given (UTF-8).
    void SetFontNames(const std::vector<std::string>& names);

    // Selects the item equal to `name` ignoring ASCII case, else the item equal to the
    // English name of the family `name` names in another language. False, with the
    // selection unchanged, when neither is listed.
    bool SelectFont(const std::string& name);
    // The selected name, empty when nothing is selected.
    std::string SelectedFont() const;

    void showPopup() override;

  private:
    int Find(const std::string& name) const;
};

}  // namespace zvp
