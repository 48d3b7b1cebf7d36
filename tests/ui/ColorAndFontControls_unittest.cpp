// The colour button and the font list on their own: what the button paints and what its
// colour dialog changes, and the font list's items, matching and pop-up.
#include <QAbstractItemView>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include "app/CAppIni.h"
#include "subtitle/SubtitleFonts.h"
#include "ui/CButtonColor.h"
#include "ui/CComboBoxFont.h"
#include "ui/CFontItemDelegate.h"
#include "ui/DialogTestUtil.h"

namespace zvp {
namespace {

using test::WhenShown;

TEST(ButtonColorTest, PaintsABevelFilledInsideWithTheColour) {
    CButtonColor button;
    EXPECT_EQ(button.GetColor(), 0u);
    button.resize(60, 24);
    button.SetColor(MakeColor(0x10, 0x80, 0xF0));
    const QImage image = button.grab().toImage();
    EXPECT_EQ(image.pixelColor(30, 12), QColor(0x10, 0x80, 0xF0));
    EXPECT_EQ(image.pixelColor(3, 3), QColor(0x10, 0x80, 0xF0));
    EXPECT_EQ(image.pixelColor(56, 20), QColor(0x10, 0x80, 0xF0));
    // The bevel stays around it.
    EXPECT_NE(image.pixelColor(1, 12), QColor(0x10, 0x80, 0xF0));
    EXPECT_NE(image.pixelColor(30, 22), QColor(0x10, 0x80, 0xF0));
}

TEST(ButtonColorTest, ItsDialogStartsAtTheColourAndOnlyOkReplacesIt) {
    CButtonColor button;
    button.SetColor(MakeColor(0x12, 0x34, 0x56));
    WhenShown<QColorDialog>([](QColorDialog* dialog) {
        EXPECT_EQ(dialog->currentColor(), QColor(0x12, 0x34, 0x56));
        EXPECT_TRUE(dialog->testOption(QColorDialog::DontUseNativeDialog));
        dialog->setCurrentColor(QColor(0xAB, 0xCD, 0xEF));
        dialog->reject();
    });
    button.click();
    EXPECT_EQ(button.GetColor(), MakeColor(0x12, 0x34, 0x56));

    WhenShown<QColorDialog>([](QColorDialog* dialog) {
        dialog->setCurrentColor(QColor(0xAB, 0xCD, 0xEF));
        dialog->accept();
    });
    button.click();
    EXPECT_EQ(button.GetColor(), MakeColor(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(button.grab().toImage().pixelColor(10, 10), QColor(0xAB, 0xCD, 0xEF));
}

TEST(ComboBoxFontTest, ListsTheInstalledFamiliesAndSelectsByWholeNameIgnoringCase) {
    CComboBoxFont list;
    list.FillInstalled();
    const std::vector<std::string> families = ListFontFamilies();
    ASSERT_EQ(list.count(), int(families.size()));
    for (int i = 0; i < list.count(); ++i) EXPECT_EQ(list.itemText(i).toStdString(), families[i]);

    EXPECT_TRUE(list.SelectFont("DEJAVU SANS MONO"));
    EXPECT_EQ(list.SelectedFont(), "DejaVu Sans Mono");
    EXPECT_TRUE(list.SelectFont("文泉驿微米黑"));
    EXPECT_EQ(list.SelectedFont(), "WenQuanYi Micro Hei");
    // No prefix match; the selection stays.
    EXPECT_FALSE(list.SelectFont("DejaVu Sans M"));
    EXPECT_FALSE(list.SelectFont(""));
    EXPECT_EQ(list.SelectedFont(), "WenQuanYi Micro Hei");
    list.setCurrentIndex(-1);
    EXPECT_EQ(list.SelectedFont(), "");
}

TEST(ComboBoxFontTest, ThousandsOfNamesOpenAPopupAtMost300PixelsHigh) {
    CComboBoxFont list;
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) names.push_back("Face " + std::to_string(10000 + i));
    list.SetFontNames(names);
    list.resize(200, 24);
    list.show();
    QElapsedTimer clock;
    clock.start();
    list.showPopup();
    const qint64 openMs = clock.elapsed();
    QWidget* popup = list.view()->window();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_LE(popup->height(), CComboBoxFont::kPopupHeight);
    EXPECT_GT(popup->height(), 100);
    // Generous: loading 5000 faces for sizes alone would take far longer.
    EXPECT_LT(openMs, 3000);
    // Every item is the list font's height + 4.
    const QModelIndex first = list.model()->index(0, 0);
    EXPECT_EQ(list.view()->visualRect(first).height(), list.view()->fontMetrics().height() + 4);
    list.hidePopup();
}

TEST(ComboBoxFontTest, ItemsAreDrawnInTheirOwnFaceAndSelectedOnHighlight) {
    CComboBoxFont list;
    list.SetFontNames({"DejaVu Serif", "WenQuanYi Micro Hei"});
    auto* delegate = qobject_cast<CFontItemDelegate*>(list.itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const QFont face = CFontItemDelegate::FaceFor("DejaVu Serif");
    EXPECT_EQ(QFontInfo(face).family(), "DejaVu Serif");
    EXPECT_EQ(face.weight(), QFont::Normal);
    EXPECT_LE(QFontMetrics(face).height(), CFontItemDelegate::kCellHeight);

    QImage image(200, 24, QImage::Format_RGB32);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.palette = list.palette();
    option.state = QStyle::State_Enabled | QStyle::State_Selected;
    {
        QPainter painter(&image);
        delegate->paint(&painter, option, list.model()->index(0, 0));
    }
    const QColor highlight = list.palette().color(QPalette::Highlight);
    EXPECT_EQ(image.pixelColor(199, 0), highlight);
    // The text starts 2 px from the left.
    bool textNearLeft = false;
    for (int y = 0; y < 24; ++y) {
        EXPECT_EQ(image.pixelColor(0, y), highlight);
        for (int x = 2; x < 8; ++x) textNearLeft |= image.pixelColor(x, y) != highlight;
    }
    EXPECT_TRUE(textNearLeft);
}

}  // namespace
}  // namespace zvp
