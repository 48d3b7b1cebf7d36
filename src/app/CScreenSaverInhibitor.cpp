#include "app/CScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <iterator>

#include "app/Logger.h"

namespace zvp {
namespace {

struct Backend {
    const char* service;
    const char* path;
    const char* interface;
    const char* uninhibit;
    bool gnome;  // Inhibit(app_id, toplevel_xid, reason, flags) instead of Inhibit(app, reason)
};

constexpr Backend kBackends[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
     "UnInhibit", false},
    {"org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver", "UnInhibit",
     false},
    {"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
     "Uninhibit", true},
};
constexpr size_t kBackendCount = std::size(kBackends);

// Sends the release of `cookie` without asking for a reply.
void SendUnInhibit(QDBusConnection& bus, const Backend& backend, uint32_t cookie) {
    QDBusMessage call = QDBusMessage::createMethodCall(backend.service, backend.path,
                                                       backend.interface, backend.uninhibit);
    call << cookie;
    call.setAutoStartService(false);
    bus.send(call);
}

}  // namespace

CScreenSaverInhibitor::CScreenSaverInhibitor() = default;

CScreenSaverInhibitor::CScreenSaverInhibitor(const QDBusConnection& bus) : bus_(bus) {}

CScreenSaverInhibitor::~CScreenSaverInhibitor() {
    if (cookie_) SendUnInhibit(*bus_, kBackends[backend_], *cookie_);
    if (pending_) {
        // The watcher outlives this object to release what its reply grants.
        QDBusPendingCallWatcher* watcher = pending_.release();
        QObject::disconnect(watcher, nullptr, nullptr, nullptr);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [bus = *bus_, backend = kBackends[backend_]](
                             QDBusPendingCallWatcher* finished) mutable {
                             const QDBusPendingReply<uint32_t> reply = *finished;
                             if (!reply.isError()) SendUnInhibit(bus, backend, reply.value());
                             finished->deleteLater();
                         });
    }
}

void CScreenSaverInhibitor::Inhibit(const std::string& reason) {
    if (unavailable_ || wanted_) return;
    wanted_ = true;
    reason_ = reason;
    if (!bus_) bus_ = QDBusConnection::sessionBus();
    if (!bus_->isConnected()) {
        MarkUnavailable("No D-Bus session bus");
        return;
    }
    if (!pending_ && !cookie_) SendInhibit();
}

void CScreenSaverInhibitor::UnInhibit() {
    if (!wanted_) return;
    wanted_ = false;
    if (cookie_) {
        SendUnInhibit(*bus_, kBackends[backend_], *cookie_);
        cookie_.reset();
    }
    // A pending Inhibit is released when its reply brings the cookie.
}

void CScreenSaverInhibitor::SendInhibit() {
    const Backend& backend = kBackends[backend_];
    QDBusMessage call =
        QDBusMessage::createMethodCall(backend.service, backend.path, backend.interface, "Inhibit");
    const QString reason = QString::fromStdString(reason_);
    if (backend.gnome) {
        call << QString::fromLatin1(kApplicationName) << uint32_t{0} << reason << kGnomeInhibitIdle;
    } else {
        call << QString::fromLatin1(kApplicationName) << reason;
    }
    pending_ = std::make_unique<QDBusPendingCallWatcher>(bus_->asyncCall(call));
    QObject::connect(pending_.get(), &QDBusPendingCallWatcher::finished, pending_.get(),
                     [this](QDBusPendingCallWatcher* watcher) { OnInhibitReply(watcher); });
}

void CScreenSaverInhibitor::OnInhibitReply(QDBusPendingCallWatcher* watcher) {
    // The watcher is still delivering this signal: it goes once the signal has returned.
    pending_.release();
    watcher->deleteLater();
    const QDBusPendingReply<uint32_t> reply = *watcher;
    if (reply.isError()) {
        if (++backend_ == kBackendCount) {
            MarkUnavailable("No screen-saver service answers on the session bus");
        } else if (wanted_) {
            SendInhibit();
        }
        return;
    }
    if (wanted_) {
        cookie_ = reply.value();
    } else {
        SendUnInhibit(*bus_, kBackends[backend_], reply.value());
    }
}

void CScreenSaverInhibitor::MarkUnavailable(const char* why) {
    unavailable_ = true;
    Log({"CScreenSaverInhibitor::Inhibit", kLogInfo}, "%s; the screen saver is not held off", why);
}

}  // namespace zvp
