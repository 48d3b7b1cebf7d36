#pragma once

#include <QPushButton>
#include <cstdint>

namespace zvp {

// A push button that shows one colour and lets the user pick another: painted as a button
// bevel (sunken while held down) whose inside, inset by 3 px, is filled with the colour. A
// click opens a (non-native) colour dialog at the current colour; accepting it replaces the
// colour and repaints. The colour is in the settings' layout, 0x00BBGGRR (CAppIni.h),
// initially 0. UI thread only.
class CButtonColor : public QPushButton {
    Q_OBJECT

  public:
    explicit CButtonColor(QWidget* parent = nullptr);

    uint32_t GetColor() const { return color_; }
    // Stores `color` (0x00BBGGRR; the high byte is dropped) and repaints.
    void SetColor(uint32_t color);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void ChooseColor();

    uint32_t color_ = 0;
};

}  // namespace zvp
