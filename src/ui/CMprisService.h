#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <optional>

#include "app/ObserverHandlers.h"

namespace zvp {

class CControlCenter;
class CMainWnd;

// The player on the session bus as an MPRIS2 media player: org.mpris.MediaPlayer2 and
// org.mpris.MediaPlayer2.Player at /org/mpris/MediaPlayer2, under the name
// org.mpris.MediaPlayer2.zvp (org.mpris.MediaPlayer2.zvp.instance<pid> when another process
// holds it). The methods act as the window's buttons do; every property change but Position
// is announced with org.freedesktop.DBus.Properties.PropertiesChanged, and every seek,
// whoever made it, with Seeked. The main window, while it has the focus, also takes the
// keyboard's media keys.
//
// Life: made after the main window (not owned; may be null, then Raise and Quit do nothing
// and no media keys are taken) and destroyed before it and before the control centre (not
// owned). The destructor leaves the bus: the name and the object go.
// Threads: UI thread only; QtDBus delivers the bus's calls on it.
class CMprisService : public QObject, public Observer<CMprisService> {
    Q_OBJECT

  public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.zvp";
    static constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
    static constexpr const char* kTrackPrefix = "/org/zvp/track/";

    CMprisService(CControlCenter& center, CMainWnd* window);
    ~CMprisService() override;
    CMprisService(const CMprisService&) = delete;
    CMprisService& operator=(const CMprisService&) = delete;

    // Exports the object and takes the name on `bus`. Without a connected bus, logs one info
    // line and returns false; the player runs on without MPRIS.
    bool Register(QDBusConnection bus = QDBusConnection::sessionBus());
    // The name taken by Register; empty before or when it failed.
    QString ServiceName() const { return serviceName_; }

    // org.mpris.MediaPlayer2.
    void Raise();
    void Quit();

    // org.mpris.MediaPlayer2.Player properties.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    double Volume() const;
    // Clamped to 0..1, then the player's volume becomes the nearest of 0..100.
    void SetVolume(double volume);
    // Microseconds from the graph; 0 when nothing is loaded.
    qlonglong Position() const;
    bool HasRows() const;  // CanPlay, CanPause, CanGoNext and CanGoPrevious
    bool CanSeek() const;
    QDBusObjectPath TrackId() const;

    // org.mpris.MediaPlayer2.Player methods.
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    // Relative, in microseconds; clamped at 0; past the end it is Next.
    void Seek(qlonglong offset);
    // Nothing for another track's id or a position outside 0..length.
    void SetPosition(const QDBusObjectPath& track, qlonglong position);
    // Appends a file: URL's file and plays it; false (nothing done) for any other scheme.
    bool OpenUri(const QString& uri);

  signals:
    void Seeked(qlonglong position);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnMediaLoaded(ISubject*, EventArg arg1, EventArg arg2);
    void OnMediaState(ISubject*, EventArg arg1, EventArg arg2);
    void OnMediaLoadFailed(ISubject*, EventArg arg1, EventArg arg2);
    void OnPositionChanged(ISubject*, EventArg arg1, EventArg arg2);
    void OnVolumeChanged(ISubject*, EventArg arg1, EventArg arg2);

    // Announces the Player properties (Position aside) that differ from the last announced.
    void Refresh();
    // Emits Seeked when `forced`, or when the graph's position is more than a second away
    // from where playback since the last look would have taken it; then looks again.
    void CheckSeek(bool forced);
    void ResetSeekBase();
    bool IsLoaded() const;
    bool IsPlaying() const;
    // Seeks the engine to `seconds` as the window's slider does, announcing Seeked.
    void SeekTo(double seconds);

    CControlCenter& center_;
    QPointer<CMainWnd> window_;
    QString status_ = QStringLiteral("Stopped");
    // The loaded media, copied at "MediaLoaded" (the row's record may be deleted later).
    uint64_t trackNumber_ = 0;  // 0: no track
    qlonglong lengthUs_ = 0;
    bool canSeek_ = false;
    QString url_, title_, artist_;
    // The seek detector's last look.
    qlonglong basePositionUs_ = 0;
    int64_t baseMs_ = 0;
    bool ownSeek_ = false;
    std::optional<QDBusConnection> bus_;
    QString serviceName_;
    QVariantMap announced_;  // the Player properties as last announced
};

}  // namespace zvp
