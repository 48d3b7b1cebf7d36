#pragma once

#include <array>

#include "skin/CSkinCtrl.h"

namespace zvp {

// A push button drawn from a strip of four pieces: normal, hover, pressed and a fourth that no
// state shows. Each piece is as wide as the button (its own width, or its placed width while
// that is anchored) and starts at x = index × width. The pressed piece replaces the normal
// one. Events are those of CSkinCtrl; owners act on "LeftClicked". UI thread only.
class CSkinButton : public CSkinCtrl {
    Q_OBJECT

  public:
    using Pieces = std::array<int, 4>;  // normal, hover, pressed, fourth

    // Creates the control (CSkinCtrl::CreateCtrl) with the pieces at these indexes; the windows
    // pass 0, 1, 2, 3. False when it cannot be created.
    bool CreateButton(QWidget* parent, int left, int top, int width, int height, Image image,
                      int normal, int hover, int pressed, int fourth);

    const char* GetTypeName() const override { return "Button"; }
    QPoint SourcePoint() const override;

  protected:
    // The pieces the current look draws from.
    virtual const Pieces& CurrentPieces() const { return pieces_; }

  private:
    Pieces pieces_{-1, -1, -1, -1};
};

}  // namespace zvp
