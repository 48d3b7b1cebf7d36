#pragma once

#include <QWidget>
#include <string>

class QComboBox;
class QPushButton;

namespace zvp {

class CButtonColor;
class CComboBoxFont;

// The "Subtitle" page of the options sheet: the font list, then the group "Subtitle Styles"
// with the primary, secondary, outline and shadow colours, the size and border lists and
// "Reset". Every control's objectName is the value name of its setting ("primary_text_color",
// ..., "font_border_size") or "reset".
//
// The page reads the "subtitle::" settings of CAppIni::Instance() when it is made and writes
// nothing until Apply. A stored size or border that no item has shows the nearest item, and
// a stored font that is not installed the renderer's default font; each such case logs one
// line. `productName` is the title of the Reset question. UI thread only.
class CPPageSubtitle : public QWidget {
    Q_OBJECT

  public:
    CPPageSubtitle(QWidget* parent, std::string productName);

    // Stores the four colours, the font (empty when none is selected), the size and the
    // border, saves the settings file and has the subtitle renderer restyle what plays. A
    // failed save is logged by the settings store; the new style still applies for this run.
    void Apply();

    // Shows the default colours, size and border (CAppIni's default table) and the
    // renderer's default font. Writes nothing.
    void LoadDefaults();

  private:
    void LoadSettings();
    void AskReset();
    // Selects the item of `list` whose value is `value`; a value no item has selects
    // `fallback`'s item, with a log line naming `key`.
    void SelectValue(QComboBox* list, const char* key, int value, int fallback);
    void SelectFontOrDefault(const std::string& name);

    std::string productName_;
    CComboBoxFont* font_ = nullptr;
    CButtonColor* primary_ = nullptr;
    CButtonColor* secondary_ = nullptr;
    CButtonColor* outline_ = nullptr;
    CButtonColor* shadow_ = nullptr;
    QComboBox* size_ = nullptr;
    QComboBox* border_ = nullptr;
    QPushButton* reset_ = nullptr;
};

}  // namespace zvp
