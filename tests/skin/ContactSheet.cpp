// Draws the main window's built-in look (21 controls, some rows and states) at two sizes into
// one PNG for a visual check: skin_contact_sheet [output.png].
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

#include "playlist/CPlaylistModel.h"
#include "skin/SkinWindowFixture.h"

namespace {

QPixmap Shot(QSize size) {
    zvp::CPlaylistModel model;
    for (const char* title : {"Opening titles.mkv", "Chapter one.mp4", "Interview.webm"}) {
        model.InsertItem(-1, title);
    }
    model.SetCurrent(1);
    zvp::test::MainLikeWindow window;
    window.resize(size);
    zvp::ApplyDefaultSkin(window, window.Slots());
    window.playlist.SetPlaylistModel(&model);
    window.mute.SetChecked(true);
    window.playpause.SetPlayState(zvp::CSkinButtonPlay::kPlaying);
    window.position.SetRange(0, 1000);
    window.position.SetValue(420);
    window.volume.SetRange(0, 100);
    window.volume.SetValue(70);
    window.title.SetText("Chapter one.mp4");
    window.progress.SetText("00:12:04 / 00:28:41");
    zvp::test::ShowExposed(window);
    window.RepositionControls();
    return window.grab();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "contact-sheet.png";
    const QPixmap large = Shot(QSize(800, 500));
    const QPixmap small = Shot(QSize(480, 300));
    QPixmap sheet(QSize(large.width(), large.height() + small.height() + 10));
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        painter.drawPixmap(0, 0, large);
        painter.drawPixmap(0, large.height() + 10, small);
    }
    if (!sheet.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
