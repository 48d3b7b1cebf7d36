// The options sheet and its subtitle page over the real settings store: what the page shows
// for stored values, what OK writes and restyles, and that Cancel, Esc, close and Reset write
// nothing.
#include "ui/CPSheetOption.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "media/LogCapture.h"
#include "playlist/CControlCenter.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/SubtitleFonts.h"
#include "ui/AppTexts.h"
#include "ui/CAppDialogs.h"
#include "ui/CButtonColor.h"
#include "ui/CComboBoxFont.h"
#include "ui/CPPageSubtitle.h"
#include "ui/DialogTestUtil.h"
#include "ui/MenuOpenGuard.h"

namespace zvp {
namespace {

using test::WhenShown;

constexpr uint32_t kRed = MakeColor(0xFF, 0, 0);

// The controls of a page, found by their objectName.
struct PageControls {
    explicit PageControls(QWidget* page)
        : primary(Find<CButtonColor>(page, "primary_text_color")),
          secondary(Find<CButtonColor>(page, "secondary_text_color")),
          outline(Find<CButtonColor>(page, "outline_color")),
          shadow(Find<CButtonColor>(page, "shadow_color")),
          font(Find<CComboBoxFont>(page, "font_name")),
          size(Find<QComboBox>(page, "font_size")),
          border(Find<QComboBox>(page, "font_border_size")),
          reset(Find<QPushButton>(page, "reset")) {}

    template <class T>
    static T* Find(QWidget* page, const char* name) {
        T* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    std::vector<uint32_t> Colors() const {
        return {primary->GetColor(), secondary->GetColor(), outline->GetColor(),
                shadow->GetColor()};
    }

    CButtonColor* primary;
    CButtonColor* secondary;
    CButtonColor* outline;
    CButtonColor* shadow;
    CComboBoxFont* font;
    QComboBox* size;
    QComboBox* border;
    QPushButton* reset;
};

const std::vector<uint32_t> kDefaultColors = {MakeColor(0xCC, 0xFF, 0xFF),
                                              MakeColor(0xFF, 0xFF, 0xCC), MakeColor(0, 0, 0),
                                              MakeColor(0x22, 0x22, 0x22)};

// A font that is installed and is not the default one.
std::string OtherFont() {
    for (const std::string& name : ListFontFamilies())
        if (name != GetDefaultFontName()) return name;
    return std::string();
}

class OptionsTest : public test::SettingsHomeTest {
  protected:
    void TearDown() override { ShutdownSubtitles(); }
    // A renderer, as a playing clip has one. (Its set-up stores the default font name when
    // none is stored.)
    static void MakeRenderer() { ASSERT_TRUE(CSubtitle::Setup(320, 240)); }

    // Runs `script` on the sheet while CAppDialogs::ShowOptions runs it.
    void RunSheet(std::function<void(CPSheetOption*, PageControls&)> script) {
        WhenShown<CPSheetOption>([script](CPSheetOption* sheet) {
            PageControls controls(sheet->SubtitlePage());
            script(sheet, controls);
        });
        dialogs.ShowOptions(nullptr);
    }
    static void ClickButton(CPSheetOption* sheet, QDialogButtonBox::StandardButton which) {
        sheet->findChild<QDialogButtonBox*>()->button(which)->click();
    }
    static void AnswerReset(QMessageBox::StandardButton answer) {
        WhenShown<QMessageBox>([answer](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle().toStdString(), kProductName);
            EXPECT_EQ(box->text().toStdString(),
                      "This will reset subtitle settings to the default value. Are you sure?");
            EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            box->button(answer)->click();
        });
    }
    // Stores non-default values, so that Reset has something to change.
    static void StoreNonDefaults(const std::string& font) {
        CAppIni& ini = CAppIni::Instance();
        ini.SetColor("subtitle::primary_text_color", MakeColor(0x11, 0x22, 0x33));
        ini.SetColor("subtitle::shadow_color", MakeColor(0x44, 0x55, 0x66));
        ini.SetString("subtitle::font_name", font);
        ini.SetInt("subtitle::font_size", -1);
        ini.SetInt("subtitle::font_border_size", -10);
        ASSERT_TRUE(ini.Save());
    }

    CControlCenter center;
    CAppDialogs dialogs{center, kProductName, "1.0"};
};

TEST_F(OptionsTest, PageShowsTheDefaultsWithoutASettingsFile) {
    CPSheetOption sheet(nullptr, kProductName);
    EXPECT_EQ(sheet.windowTitle(), "Option");
    PageControls page(sheet.SubtitlePage());
    EXPECT_EQ(page.Colors(), kDefaultColors);
    EXPECT_EQ(page.size->currentText(), "Default Font Size");
    EXPECT_EQ(page.border->currentText(), "Default Border");
    EXPECT_EQ(page.font->SelectedFont(), GetDefaultFontName());
    EXPECT_FALSE(page.font->isEditable());
    // The lists hold their items in order.
    ASSERT_EQ(page.size->count(), 3);
    EXPECT_EQ(page.size->itemText(0), "Smaller Font Size");
    ASSERT_EQ(page.border->count(), 4);
    EXPECT_EQ(page.border->itemText(0), "No Border");
    EXPECT_EQ(page.border->itemText(3), "Thicker Border");
}

TEST_F(OptionsTest, StoredValuesNoItemHasShowTheNearestOneWithALogLineAndWriteNothing) {
    CAppIni& ini = CAppIni::Instance();
    ini.SetInt("subtitle::font_size", 5);
    ini.SetInt("subtitle::font_border_size", 7);
    ini.SetString("subtitle::font_name", "No Such Face 1234");
    ini.SetString("subtitle::outline_color", "zz0000");
    ini.SetString("subtitle::primary_text_color", "00FF00");
    ASSERT_TRUE(ini.Save());
    const auto before = SettingsFile();
    {
        test::LogCapture log;
        CPSheetOption sheet(nullptr, kProductName);
        PageControls page(sheet.SubtitlePage());
        EXPECT_EQ(page.size->currentText(), "Bigger Font Size");
        EXPECT_EQ(page.border->currentText(), "Default Border");
        EXPECT_EQ(page.font->SelectedFont(), GetDefaultFontName());
        EXPECT_EQ(page.outline->GetColor(), 0u);
        EXPECT_EQ(page.primary->GetColor(), MakeColor(0, 0xFF, 0));
        EXPECT_EQ(log.CountOf("subtitle::font_size is 5, no item has it: shown Bigger Font Size"),
                  1);
        EXPECT_EQ(
            log.CountOf("subtitle::font_border_size is 7, no item has it: shown Default Border"),
            1);
        EXPECT_EQ(log.CountOf("No Such Face 1234"), 1);
        EXPECT_EQ(log.CountOf("zz0000"), 1);
    }
    EXPECT_EQ(SettingsFile(), before);

    ini.SetInt("subtitle::font_size", -7);
    ini.SetInt("subtitle::font_border_size", -2);
    CPSheetOption sheet(nullptr, kProductName);
    PageControls page(sheet.SubtitlePage());
    EXPECT_EQ(page.size->currentText(), "Smaller Font Size");
    EXPECT_EQ(page.border->currentText(), "Default Border");
}

TEST_F(OptionsTest, StoredFontMatchesIgnoringCaseOrThroughItsEnglishName) {
    CAppIni& ini = CAppIni::Instance();
    ini.SetString("subtitle::font_name", "dejavu SERIF");
    {
        CPSheetOption sheet(nullptr, kProductName);
        EXPECT_EQ(PageControls(sheet.SubtitlePage()).font->SelectedFont(), "DejaVu Serif");
    }
    ini.SetString("subtitle::font_name", "文泉驿微米黑");
    {
        CPSheetOption sheet(nullptr, kProductName);
        EXPECT_EQ(PageControls(sheet.SubtitlePage()).font->SelectedFont(), "WenQuanYi Micro Hei");
    }
    // A prefix of an installed name is not that name.
    ini.SetString("subtitle::font_name", "DejaVu");
    CPSheetOption sheet(nullptr, kProductName);
    EXPECT_EQ(PageControls(sheet.SubtitlePage()).font->SelectedFont(), GetDefaultFontName());
}

TEST_F(OptionsTest, OkStoresTheChoiceSavesAndRestylesWithANewRenderer) {
    const std::string font = OtherFont();
    ASSERT_FALSE(font.empty());
    MakeRenderer();
    const auto renderer = CurrentSubtitleRenderer();
    bool menuOpenInside = false;
    RunSheet([&](CPSheetOption* sheet, PageControls& page) {
        menuOpenInside = IsMenuOpen();
        WhenShown<QColorDialog>([](QColorDialog* dialog) {
            EXPECT_EQ(dialog->currentColor(), QColor(0xCC, 0xFF, 0xFF));
            dialog->setCurrentColor(Qt::red);
            dialog->accept();
        });
        page.primary->click();
        EXPECT_EQ(page.primary->GetColor(), kRed);
        ASSERT_TRUE(page.font->SelectFont(font));
        page.size->setCurrentIndex(page.size->findText("Bigger Font Size"));
        page.border->setCurrentIndex(page.border->findText("Thicker Border"));
        ClickButton(sheet, QDialogButtonBox::Ok);
    });
    EXPECT_TRUE(menuOpenInside);
    EXPECT_FALSE(IsMenuOpen());

    EXPECT_EQ(Stored("subtitle::primary_text_color"), "ff0000");
    EXPECT_EQ(Stored("subtitle::secondary_text_color"), "ffffcc");
    EXPECT_EQ(Stored("subtitle::font_name"), font);
    EXPECT_EQ(Stored("subtitle::font_size"), "1");
    EXPECT_EQ(Stored("subtitle::font_border_size"), "1");
    const auto restyled = CurrentSubtitleRenderer();
    ASSERT_NE(restyled, nullptr);
    EXPECT_NE(restyled, renderer);
    EXPECT_EQ(restyled->settings().primary_color, "ff0000");
    EXPECT_EQ(restyled->settings().font_size, 1);
}

TEST_F(OptionsTest, OkAfterAnUninstalledFontStoresTheDefaultFont) {
    CAppIni::Instance().SetString("subtitle::font_name", "No Such Face 1234");
    RunSheet([](CPSheetOption* sheet, PageControls&) { ClickButton(sheet, QDialogButtonBox::Ok); });
    EXPECT_EQ(Stored("subtitle::font_name"), GetDefaultFontName());
    EXPECT_EQ(Stored("subtitle::font_size"), "0");
}

TEST_F(OptionsTest, CancelEscCloseAndResetWriteNothingAndKeepTheRenderer) {
    const std::string font = OtherFont();
    MakeRenderer();
    StoreNonDefaults(font);
    const auto before = SettingsFile();
    const auto renderer = CurrentSubtitleRenderer();

    // Edits, then Cancel.
    RunSheet([](CPSheetOption* sheet, PageControls& page) {
        WhenShown<QColorDialog>([](QColorDialog* dialog) {
            dialog->setCurrentColor(Qt::red);
            dialog->accept();
        });
        page.outline->click();
        page.size->setCurrentIndex(2);
        ClickButton(sheet, QDialogButtonBox::Cancel);
    });
    // A rejected colour dialog keeps the colour; Reset -> Yes shows the defaults; Esc.
    RunSheet([&](CPSheetOption* sheet, PageControls& page) {
        WhenShown<QColorDialog>([](QColorDialog* dialog) {
            dialog->setCurrentColor(Qt::red);
            dialog->reject();
        });
        page.primary->click();
        EXPECT_EQ(page.primary->GetColor(), MakeColor(0x11, 0x22, 0x33));
        EXPECT_EQ(page.font->SelectedFont(), font);
        AnswerReset(QMessageBox::Yes);
        page.reset->click();
        EXPECT_EQ(page.Colors(), kDefaultColors);
        EXPECT_EQ(page.size->currentText(), "Default Font Size");
        EXPECT_EQ(page.border->currentText(), "Default Border");
        EXPECT_EQ(page.font->SelectedFont(), GetDefaultFontName());
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(sheet, &esc);
    });
    // Reset -> No changes nothing on the page; the title bar's close.
    RunSheet([&](CPSheetOption* sheet, PageControls& page) {
        AnswerReset(QMessageBox::No);
        page.reset->click();
        EXPECT_EQ(page.primary->GetColor(), MakeColor(0x11, 0x22, 0x33));
        EXPECT_EQ(page.size->currentText(), "Smaller Font Size");
        EXPECT_EQ(page.border->currentText(), "No Border");
        EXPECT_EQ(page.font->SelectedFont(), font);
        sheet->close();
    });

    EXPECT_EQ(SettingsFile(), before);
    EXPECT_EQ(CurrentSubtitleRenderer(), renderer);
    EXPECT_FALSE(IsMenuOpen());
}

}  // namespace
}  // namespace zvp
