#pragma once

#include <QImage>
#include <QTest>
#include <QWindow>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "app/IObserver.h"
#include "app/ISubject.h"
#include "skin/BuiltinSkin.h"
#include "skin/CSkinButton.h"
#include "skin/CSkinButtonPlay.h"
#include "skin/CSkinCheck.h"
#include "skin/CSkinList.h"
#include "skin/CSkinScreen.h"
#include "skin/CSkinSizer.h"
#include "skin/CSkinSlider.h"
#include "skin/CSkinString.h"
#include "skin/CSkinWnd.h"
#include "skin/SkinApply.h"

namespace zvp::test {

// Records every event of the names it is attached for, in order.
class EventLog : public IObserver {
  public:
    struct Event {
        std::string name;
        intptr_t a;
        intptr_t b;
        bool operator==(const Event&) const = default;
    };

    void Watch(ISubject& subject, std::initializer_list<const char*> names) {
        for (const char* name : names) subject.Attach(this, name, kNoHandler);
    }
    void OnNotify(ISubject*, std::string name, HandlerKey, EventArg a, EventArg b) override {
        events.push_back({name, static_cast<intptr_t>(a), static_cast<intptr_t>(b)});
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Event& e : events) names.push_back(e.name);
        return names;
    }

    std::vector<Event> events;
};

// A window with the main window's 21 controls, created at their built-in geometry with the
// built-in art, listed in section order. Controls are members, so they go before the window.
class MainLikeWindow : public CSkinWnd {
  public:
    MainLikeWindow() {
        const auto art = [this](int id) { return id ? LoadImageResource(id) : nullptr; };
        const auto geometry = [](const char* section) {
            return FindBuiltinCtrl(section)->geometry;
        };
        const auto button = [&](CSkinButton& b, const char* section) {
            const BuiltinCtrl& c = *FindBuiltinCtrl(section);
            b.CreateButton(this, c.geometry.x, c.geometry.y, c.geometry.width, c.geometry.height,
                           art(c.imageId), 0, 1, 2, 3);
        };
        const auto check = [&](CSkinCheck& b, const char* section) {
            const BuiltinCtrl& c = *FindBuiltinCtrl(section);
            b.CreateCheck(this, c.geometry.x, c.geometry.y, c.geometry.width, c.geometry.height,
                          art(c.imageId), 0, 1, 2, 3, 4, 5, 6, 7);
        };
        const auto slider = [&](CSkinSlider& s, const char* section) {
            const BuiltinCtrl& c = *FindBuiltinCtrl(section);
            s.CreateSlider(this, true, c.geometry.x, c.geometry.y, c.geometry.width,
                           c.geometry.height, art(c.imageId), 12, 12, art(c.boxImageId));
        };
        SkinRect g = geometry("screen");
        screen.CreateCtrl(this, g.x, g.y, g.width, g.height, nullptr, {-1, -1}, {-1, -1}, {-1, -1});
        g = geometry("sizer");
        sizer.CreateSizer(this, g.x, g.y, g.width, g.height, art(136), 6);
        g = geometry("playlist");
        playlist.CreateList(this, g.x, g.y, g.width, g.height);
        button(stop, "stop");
        button(open, "open");
        check(mute, "mute");
        button(prev, "prev");
        check(playpause, "playpause");
        button(next, "next");
        button(menu, "menu");
        button(minimize, "minimize");
        button(close, "close");
        button(playlistOpen, "playlist_open");
        button(playlistAdd, "playlist_add");
        button(playlistDelete, "playlist_delete");
        button(playlistMode, "playlist_mode");
        button(playlistSort, "playlist_sort");
        slider(position, "position_bar");
        slider(volume, "volume_bar");
        for (CSkinString* s : {&progress, &title}) {
            const BuiltinCtrl& c =
                *FindBuiltinCtrl(s == &progress ? "progress_string" : "title_string");
            s->CreateCtrl(this, c.geometry.x, c.geometry.y, c.geometry.width, c.geometry.height,
                          nullptr, {-1, -1}, {-1, -1}, {-1, -1});
        }
        for (const SkinCtrlSlot& slot : Slots()) AddCtrl(slot.ctrl);
    }

    // Lays the video area, the splitter, the playlist and its open button out for a playlist
    // `p` pixels wide, as the main window does after every skin change, and places them.
    void SetPlaylistWidth(int p) {
        screen.SetLayout(5, 25, -(p + 10), -40);
        sizer.SetLayout(-(p + 10), 25, -p, -40);
        playlist.SetLayout(-p, 45, -5, -41);
        playlistOpen.SetLayout(-p, 25, 20, 20);
        RepositionControls();
    }

    // The state the reference pictures show: no text, volume 80, position 25 of 100 and the
    // play button's pause look, the playlist 158 wide.
    void SetReferenceState() {
        SetPlaylistWidth(158);
        volume.SetRange(0, 100);
        volume.SetValue(80);
        position.SetRange(0, 100);
        position.SetValue(25);
        playpause.SetPlayState(CSkinButtonPlay::kPlaying);
        progress.SetText("");
        title.SetText("");
    }

    std::array<SkinCtrlSlot, 21> Slots() {
        return {{{"screen", &screen},
                 {"sizer", &sizer},
                 {"playlist", &playlist},
                 {"stop", &stop},
                 {"open", &open},
                 {"mute", &mute},
                 {"prev", &prev},
                 {"playpause", &playpause},
                 {"next", &next},
                 {"menu", &menu},
                 {"minimize", &minimize},
                 {"close", &close},
                 {"playlist_open", &playlistOpen},
                 {"playlist_add", &playlistAdd},
                 {"playlist_delete", &playlistDelete},
                 {"playlist_mode", &playlistMode},
                 {"playlist_sort", &playlistSort},
                 {"position_bar", &position},
                 {"volume_bar", &volume},
                 {"progress_string", &progress},
                 {"title_string", &title}}};
    }

    CSkinScreen screen;
    CSkinSizer sizer;
    CSkinList playlist;
    CSkinButton stop, open, prev, next, menu, minimize, close;
    CSkinButton playlistOpen, playlistAdd, playlistDelete, playlistMode, playlistSort;
    CSkinCheck mute;
    CSkinButtonPlay playpause;
    CSkinSlider position, volume;
    CSkinString progress, title;
};

// Shows `widget` and waits until it is exposed.
inline bool ShowExposed(QWidget& widget) {
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

// An image of `size` whose column x has colour `columns(x)`; written as BMP to `path`.
template <typename Columns>
inline bool WriteColumns(const std::string& path, QSize size, Columns columns) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, columns(x));
    }
    return image.save(QString::fromStdString(path), "BMP");
}

}  // namespace zvp::test
