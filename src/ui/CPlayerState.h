#pragma once

#include <QList>
#include <QRect>
#include <optional>
#include <string>
#include <string_view>

namespace zvp {

class CAppIni;
class IniDocument;

// What the player keeps across restarts besides its settings: the volume, the mute state and
// the main window's normal rectangle, in the settings file's section "state" (keys volume,
// mute and window = "x,y,w,h"). Written by the close sequence's save; read at start-up. The
// skin and the playback position are not kept.
//
// Stateless; UI thread (it works on CAppIni::Instance() or a store the caller owns).
class CPlayerState {
  public:
    static constexpr const char* kSection = "state";
    static constexpr const char* kVolumeName = "volume";
    static constexpr const char* kMuteName = "mute";
    static constexpr const char* kWindowName = "window";
    static constexpr const char* kVolumeKey = "state::volume";
    static constexpr const char* kMuteKey = "state::mute";
    static constexpr const char* kWindowKey = "state::window";

    struct Values {
        int volume = 80;
        bool mute = false;
        QRect window;
    };

    // The values stored in `settings` (the settings file as read from disk, so that what an
    // earlier store of this process held does not count); each one missing or bad gives its
    // default from `defaults`, and so does a window rectangle of which less than half lies on
    // one of `screens`.
    static Values Read(const IniDocument& settings, const Values& defaults,
                       const QList<QRect>& screens);
    // Stores the three values (the caller saves the file).
    static void Write(CAppIni& ini, const Values& values);

    // "x,y,w,h" with four whole numbers and a positive size; nothing otherwise.
    static std::optional<QRect> ParseRect(std::string_view text);
    static std::string FormatRect(const QRect& rect);
    // Whether at least half of `rect`'s area lies on one of `screens`.
    static bool MostlyOnScreen(const QRect& rect, const QList<QRect>& screens);
};

}  // namespace zvp
