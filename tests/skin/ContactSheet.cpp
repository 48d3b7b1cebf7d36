// A contact sheet of the built-in skin for a visual check: real controls driven into each of
// their states (every strip's looks, the play button's three states, sliders at 0, 50 and
// 100 %, an elided text line, list rows normal, playing, failed and selected) and the main
// window's frame active and inactive. The device pixel ratio is the platform's, so
// QT_SCALE_FACTOR=2 draws the sheet at 2x.
//
//     skin_contact_sheet [output.png]
#include <QApplication>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "engine/CClipInfo.h"
#include "playlist/CPlaylistModel.h"
#include "playlist/IPlaylistAdapter.h"
#include "skin/SkinWindowFixture.h"

namespace zvp {
namespace {

constexpr int kGap = 8;
constexpr int kLabelWidth = 180;

// One row of the sheet: a label and pictures side by side.
struct Row {
    QString label;
    std::vector<QPixmap> cells;
};

// A window that only hosts the control being photographed; black where nothing draws.
class Host : public CSkinWnd {
  public:
    Host() {
        setGeometry(0, 0, 420, 200);
        test::ShowExposed(*this);
        QTest::mouseMove(windowHandle(), QPoint(400, 190));  // the pointer parks off every control
    }
    QWindow* Handle() { return windowHandle(); }
};

// The looks of one strip: the first three pieces as the pointer shows them (normal, hover,
// pressed), every further piece by making it the normal look; a check strip's four looks
// unchecked, then checked.
Row StripLooks(Host& host, const BuiltinArt& art) {
    Row row{QString::fromLatin1(art.path + 7), {}};
    const int width = art.width / art.pieces;
    const int perSet = art.check ? 4 : art.pieces;
    const QPoint inside(10 + width / 2, 10 + art.height / 2);
    for (int set = 0; set < (art.check ? 2 : 1); ++set) {
        for (int piece = 0; piece < perSet; ++piece) {
            const int normal = piece < 3 ? 0 : piece;
            CSkinCheck ctrl;
            ctrl.CreateCheck(&host, 10, 10, width, art.height, host.LoadImageResource(art.id),
                             normal, 1, 2, 3, 4 + normal, 5, 6, 7);
            ctrl.SetChecked(set == 1);
            if (piece == 1 || piece == 2) QTest::mouseMove(host.Handle(), inside);
            if (piece == 2) QTest::mousePress(host.Handle(), Qt::LeftButton, {}, inside);
            row.cells.push_back(ctrl.grab());
            if (piece == 2) QTest::mouseRelease(host.Handle(), Qt::LeftButton, {}, inside);
            QTest::mouseMove(host.Handle(), QPoint(400, 190));
        }
    }
    return row;
}

Row PlayStates(Host& host) {
    Row row{"play 0, 1, 2", {}};
    for (int state :
         {CSkinButtonPlay::kStopped, CSkinButtonPlay::kPaused, CSkinButtonPlay::kPlaying}) {
        CSkinButtonPlay play;
        play.CreateCheck(&host, 10, 10, 36, 20, host.LoadImageResource(20017), 0, 1, 2, 3, 4, 5, 6,
                         7);
        play.SetPlayState(state);
        row.cells.push_back(play.grab());
    }
    return row;
}

Row SliderValues(Host& host) {
    Row row{"slider 0, 50, 100 %", {}};
    for (int value : {0, 50, 100}) {
        CSkinSlider slider;
        slider.CreateSlider(&host, true, 10, 10, 120, 12, host.LoadImageResource(20024), 12, 12,
                            host.LoadImageResource(20025));
        slider.SetRange(0, 100);
        slider.SetValue(value);
        row.cells.push_back(slider.grab());
    }
    return row;
}

Row ElidedText(Host& host) {
    Row row{"text, elided", {}};
    CSkinString text;
    text.CreateCtrl(&host, 10, 10, 120, 19, nullptr, {-1, -1}, {-1, -1}, {-1, -1});
    const SkinCtrlValues values = BuiltinCtrlValues(*FindBuiltinCtrl("title_string"));
    text.SetFontSize(values.fontWidth, values.fontHeight);
    text.SetTextColor(*values.textColor);
    text.SetBackgroundColor(*values.backgroundColor);
    text.SetText("A title far too long for its line.mkv");
    row.cells.push_back(text.grab());
    return row;
}

Row ListRows(Host& host) {
    Row row{"list: normal, playing,\nfailed, selected", {}};
    CPlaylistModel model;
    for (const char* title :
         {"Normal row.mkv", "Playing row.mp4", "Failed row.avi", "Selected row.webm"}) {
        model.SetItemData(model.InsertItem(-1, title), IPlaylistAdapter::MakeFileRecord(title));
    }
    model.SetCurrent(1);
    model.GetItem(2)->loadFailed = true;
    model.Refresh();
    model.GetSelectionModel()->select(model.index(3, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    CSkinList list;
    list.CreateList(&host, 10, 10, 200, 90);
    const SkinCtrlValues values = BuiltinCtrlValues(*FindBuiltinCtrl("playlist"));
    list.SetTextColor(*values.textColor);
    list.SetTextBackgroundColor(*values.textBackgroundColor);
    list.SetTextErrorColor(*values.textErrorColor);
    list.SetTextHighlightColor(*values.textHighlightColor);
    list.SetTextHighlightBackgroundColor(*values.textHighlightBackgroundColor);
    list.SetPlaylistModel(&model);
    list.UpdateColumns();
    row.cells.push_back(list.grab());
    list.SetPlaylistModel(nullptr);
    return row;
}

// The main window's look, with some state, active and then inactive (another window active).
Row Frames() {
    Row row{"frame active, inactive", {}};
    CPlaylistModel model;
    for (const char* title : {"Opening titles.mkv", "Chapter one.mp4", "Interview.webm"}) {
        model.InsertItem(-1, title);
    }
    model.SetCurrent(1);
    test::MainLikeWindow window;
    window.setGeometry(0, 0, 480, 300);
    ApplyDefaultSkin(window, window.Slots());
    window.SetReferenceState();
    window.playlist.SetPlaylistModel(&model);
    window.mute.SetChecked(true);
    window.title.SetText("Chapter one.mp4");
    window.progress.SetText("00:12:04 / 00:28:41");
    test::ShowExposed(window);
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) std::fprintf(stderr, "the window is not active\n");
    row.cells.push_back(window.grab());
    QWidget other;
    other.setGeometry(500, 0, 50, 50);
    test::ShowExposed(other);
    other.activateWindow();
    if (!QTest::qWaitForWindowActive(&other)) std::fprintf(stderr, "the window stays active\n");
    row.cells.push_back(window.grab());
    window.playlist.SetPlaylistModel(nullptr);
    return row;
}

QPixmap Compose(const std::vector<Row>& rows, qreal ratio) {
    int width = 0;
    int height = kGap;
    for (const Row& row : rows) {
        int w = kLabelWidth;
        int h = 20;
        for (const QPixmap& cell : row.cells) {
            const QSize size = cell.deviceIndependentSize().toSize();
            w += size.width() + kGap;
            h = std::max(h, size.height());
        }
        width = std::max(width, w);
        height += h + kGap;
    }
    QPixmap sheet(QSize(width + kGap, height) * ratio);
    sheet.setDevicePixelRatio(ratio);
    sheet.fill(QColor(128, 128, 128));
    QPainter painter(&sheet);
    int y = kGap;
    for (const Row& row : rows) {
        int h = 20;
        int x = kLabelWidth;
        for (const QPixmap& cell : row.cells) {
            painter.drawPixmap(x, y, cell);
            const QSize size = cell.deviceIndependentSize().toSize();
            x += size.width() + kGap;
            h = std::max(h, size.height());
        }
        painter.setPen(Qt::white);
        painter.drawText(QRect(kGap, y, kLabelWidth - kGap, h), Qt::AlignLeft | Qt::AlignVCenter,
                         row.label);
        y += h + kGap;
    }
    return sheet;
}

}  // namespace
}  // namespace zvp

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "contact-sheet.png";
    std::vector<zvp::Row> rows;
    {
        zvp::Host host;
        for (const zvp::BuiltinArt& art : zvp::kBuiltinArt) {
            if (art.pieces >= 3) rows.push_back(zvp::StripLooks(host, art));
        }
        rows.push_back(zvp::PlayStates(host));
        rows.push_back(zvp::SliderValues(host));
        rows.push_back(zvp::ElidedText(host));
        rows.push_back(zvp::ListRows(host));
    }
    rows.push_back(zvp::Frames());
    const QPixmap sheet = zvp::Compose(rows, app.devicePixelRatio());
    if (!sheet.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
