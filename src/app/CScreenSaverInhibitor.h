#pragma once

#include <QDBusConnection>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QDBusPendingCallWatcher;

namespace zvp {

// Keeps the desktop's screen saver and power saving off while video plays, through the
// session bus: org.freedesktop.ScreenSaver Inhibit/UnInhibit (object /org/freedesktop/ScreenSaver,
// else /ScreenSaver), else org.gnome.SessionManager Inhibit/Uninhibit (flag 8: idle). The
// first service that answers is kept for the life of the object. Without a session bus, or
// when no service answers, one info line is logged and every later call does nothing.
//
// Inhibit and UnInhibit only record the wanted state; the calls go out asynchronously and the
// object converges on that state as replies come: Inhibit twice holds one inhibition,
// UnInhibit without one does nothing, and an UnInhibit made while the Inhibit reply is still
// on its way releases the inhibition as soon as its cookie arrives.
//
// Threads: the UI thread makes every call; replies arrive through its event loop. Nothing
// here waits for the bus, apart from Qt connecting to the session bus at the first Inhibit of
// an object made with the default constructor.
class CScreenSaverInhibitor {
  public:
    static constexpr const char* kApplicationName = "ZVP";
    static constexpr uint32_t kGnomeInhibitIdle = 8;

    // Uses the session bus, connected at the first Inhibit.
    CScreenSaverInhibitor();
    // Uses `bus` (tests; a connection that is not connected acts as no bus).
    explicit CScreenSaverInhibitor(const QDBusConnection& bus);
    // Releases a held inhibition, and one still being granted once its reply comes, without
    // waiting.
    ~CScreenSaverInhibitor();
    CScreenSaverInhibitor(const CScreenSaverInhibitor&) = delete;
    CScreenSaverInhibitor& operator=(const CScreenSaverInhibitor&) = delete;

    // Asks for an inhibition, giving `reason` (UTF-8) to the service.
    void Inhibit(const std::string& reason);
    // Asks for the inhibition to end.
    void UnInhibit();

    // The wanted state: true between Inhibit and UnInhibit.
    bool IsWanted() const { return wanted_; }
    // Whether a granted inhibition (a cookie) is held now.
    bool IsHeld() const { return cookie_.has_value(); }
    // Whether the bus or every service was found missing; calls do nothing from then on.
    bool IsUnavailable() const { return unavailable_; }

  private:
    void SendInhibit();
    void OnInhibitReply(QDBusPendingCallWatcher* watcher);
    void MarkUnavailable(const char* why);

    std::optional<QDBusConnection> bus_;
    bool wanted_ = false;
    bool unavailable_ = false;
    std::string reason_;
    size_t backend_ = 0;  // index of the service tried now, or the one in use
    std::unique_ptr<QDBusPendingCallWatcher> pending_;  // the Inhibit call in flight
    std::optional<uint32_t> cookie_;
};

}  // namespace zvp
