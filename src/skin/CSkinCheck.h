#pragma once

#include "skin/CSkinButton.h"

namespace zvp {

// A button with a checked flag and a strip of eight pieces: the four unchecked looks, then the
// four checked ones. While checked, the checked piece for the visual state replaces the
// unchecked one. The flag never toggles itself; the owner sets it. UI thread only.
class CSkinCheck : public CSkinButton {
    Q_OBJECT

  public:
    // The windows pass the indexes 0 to 7.
    bool CreateCheck(QWidget* parent, int left, int top, int width, int height, Image image,
                     int normal, int hover, int pressed, int fourth, int checkedNormal,
                     int checkedHover, int checkedPressed, int checkedFourth);

    const char* GetTypeName() const override { return "Check"; }

    // Repaints when the flag changes.
    void SetChecked(bool checked);
    bool IsChecked() const { return checked_; }

  protected:
    const Pieces& CurrentPieces() const override;

  private:
    bool checked_ = false;
    Pieces checkedPieces_{-1, -1, -1, -1};
};

}  // namespace zvp
