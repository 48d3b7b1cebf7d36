#pragma once

#include <cstdint>
#include <string>

#include "skin/CSkinCtrl.h"

namespace zvp {

// One line of text on a plain background: the application font at a pixel size of |font
// height| (clamped to 4…200; the font's own size while unset), weight 600, elided on the right
// and centred vertically; in the focus colour while the pointer is over the control, else in
// the text colour. The font width is stored but does not change the font. Colours are
// 0x00BBGGRR. Setting the text or a colour repaints. UI thread only.
class CSkinString : public CSkinCtrl {
    Q_OBJECT

  public:
    static constexpr int kMinFontPixels = 4;
    static constexpr int kMaxFontPixels = 200;

    CSkinString();

    const char* GetTypeName() const override { return "String"; }

    void SetText(const std::string& text);
    const std::string& GetText() const { return text_; }
    // Both −1 until set.
    void SetFontSize(int width, int height);
    int GetFontWidth() const { return fontWidth_; }
    int GetFontHeight() const { return fontHeight_; }
    void SetTextColor(uint32_t color);
    void SetTextFocusColor(uint32_t color);
    void SetBackgroundColor(uint32_t color);
    uint32_t GetTextColor() const { return textColor_; }
    uint32_t GetTextFocusColor() const { return focusColor_; }
    uint32_t GetBackgroundColor() const { return background_; }

    // The font the text is drawn with.
    QFont TextFont() const;

  protected:
    void Draw(QPainter& painter) override;

  private:
    std::string text_;
    int fontWidth_ = -1;
    int fontHeight_ = -1;
    uint32_t textColor_;
    uint32_t focusColor_;
    uint32_t background_;
};

}  // namespace zvp
