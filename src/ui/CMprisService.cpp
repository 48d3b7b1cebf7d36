#include "ui/CMprisService.h"

#include <unistd.h>

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QKeyEvent>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cmath>

#include "app/CInstanceChecker.h"
#include "app/Logger.h"
#include "engine/CClipInfo.h"
#include "graph/CFilterGraph.h"
#include "playlist/CControlCenter.h"
#include "ui/AppTexts.h"
#include "ui/CMainWnd.h"
#include "ui/MimeTable.h"
#include "ui/OpenUriPath.h"

namespace zvp {

namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr qlonglong kUsPerSecond = 1000000;
// A position further than this from where playback would have taken it was a seek.
constexpr qlonglong kSeekJumpUs = 1000000;
// The window's "Exit" command.
constexpr int kExitCommand = 57665;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

// org.mpris.MediaPlayer2 on the service's object.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

  public:
    explicit MprisRootAdaptor(CMprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QString::fromUtf8(kProductName); }
    QString DesktopEntry() const { return QStringLiteral("zvp"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const {
        QStringList types;
        for (const std::string& type : MimeTable::Types()) types << QString::fromStdString(type);
        return types;
    }

  public Q_SLOTS:
    void Raise() { service_->Raise(); }
    void Quit() { service_->Quit(); }

  private:
    CMprisService* service_;
};

// org.mpris.MediaPlayer2.Player on the service's object.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ HasRows)
    Q_PROPERTY(bool CanGoPrevious READ HasRows)
    Q_PROPERTY(bool CanPlay READ HasRows)
    Q_PROPERTY(bool CanPause READ HasRows)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

  public:
    explicit MprisPlayerAdaptor(CMprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {
        connect(service, &CMprisService::Seeked, this, &MprisPlayerAdaptor::Seeked);
    }

    QString PlaybackStatus() const { return service_->PlaybackStatus(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}  // one rate only
    QVariantMap Metadata() const { return service_->Metadata(); }
    double Volume() const { return service_->Volume(); }
    void SetVolume(double volume) { service_->SetVolume(volume); }
    qlonglong Position() const { return service_->Position(); }
    bool HasRows() const { return service_->HasRows(); }
    bool CanSeek() const { return service_->CanSeek(); }
    bool CanControl() const { return true; }

  public Q_SLOTS:
    void Next() { service_->Next(); }
    void Previous() { service_->Previous(); }
    void Pause() { service_->Pause(); }
    void PlayPause() { service_->PlayPause(); }
    void Stop() { service_->Stop(); }
    void Play() { service_->Play(); }
    void Seek(qlonglong Offset) { service_->Seek(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
        service_->SetPosition(TrackId, Position);
    }
    void OpenUri(const QString& Uri, const QDBusMessage& message) {
        if (service_->OpenUri(Uri)) return;
        message.setDelayedReply(true);
        bus_.send(message.createErrorReply(QDBusError::NotSupported,
                                           QStringLiteral("Only file: URIs are supported")));
    }

  Q_SIGNALS:
    void Seeked(qlonglong Position);

  public:
    QDBusConnection bus_{QString()};  // the connection the object is exported on

  private:
    CMprisService* service_;
};

CMprisService::CMprisService(CControlCenter& center, CMainWnd* window)
    : center_(center), window_(window) {
    center_.Attach(this, "MediaLoaded", Handler(&CMprisService::OnMediaLoaded));
    for (const char* name :
         {"MediaPlaying", "MediaPaused", "MediaStopped", "MediaCompleted", "MediaAborted"}) {
        center_.Attach(this, name, Handler(&CMprisService::OnMediaState));
    }
    center_.Attach(this, "MediaLoadFailed", Handler(&CMprisService::OnMediaLoadFailed));
    center_.Attach(this, "MediaPositionChanged", Handler(&CMprisService::OnPositionChanged));
    center_.GetController().GetEngine().Attach(this, "VolumeChanged",
                                               Handler(&CMprisService::OnVolumeChanged));
    CPlaylistModel& model = center_.GetPlaylistModel();
    for (auto changed : {&CPlaylistModel::rowsInserted, &CPlaylistModel::rowsRemoved}) {
        connect(&model, changed, this, [this] { Refresh(); });
    }
    connect(&model, &CPlaylistModel::modelReset, this, [this] { Refresh(); });
    if (window_) window_->installEventFilter(this);
}

CMprisService::~CMprisService() {
    if (window_) window_->removeEventFilter(this);
    if (bus_) {
        bus_->unregisterService(serviceName_);
        bus_->unregisterObject(QString::fromUtf8(kObjectPath));
    }
    center_.Detach(this);
    center_.GetController().GetEngine().Detach(this);
}

bool CMprisService::Register(QDBusConnection bus) {
    if (bus_) return true;
    if (!bus.isConnected()) {
        Log({"CMprisService::Register", kLogInfo}, "No D-Bus session bus; no MPRIS service");
        return false;
    }
    new MprisRootAdaptor(this);
    auto* player = new MprisPlayerAdaptor(this);
    player->bus_ = bus;
    const QString path = QString::fromUtf8(kObjectPath);
    if (!bus.registerObject(path, this, QDBusConnection::ExportAdaptors)) {
        Log({"CMprisService::Register", kLogInfo}, "Cannot export %s; no MPRIS service",
            kObjectPath);
        return false;
    }
    QString name = QString::fromUtf8(kServiceName);
    if (!bus.registerService(name)) {
        name += QStringLiteral(".instance%1").arg(::getpid());
        if (!bus.registerService(name)) {
            Log({"CMprisService::Register", kLogInfo}, "Cannot take the name %s; no MPRIS service",
                name.toUtf8().constData());
            bus.unregisterObject(path);
            return false;
        }
    }
    bus_ = bus;
    serviceName_ = name;
    Log({"CMprisService::Register", kLogInfo}, "MPRIS service %s", name.toUtf8().constData());
    Refresh();
    return true;
}

// ---- root -----------------------------------------------------------------------------------

void CMprisService::Raise() {
    if (window_) CInstanceChecker::RaiseWidget(window_.data());
}

void CMprisService::Quit() {
    // After the reply has gone out: the close sequence ends the event loop.
    if (window_) {
        QTimer::singleShot(0, window_.data(), [window = window_] {
            if (window) window->OnCommand(kExitCommand);
        });
    }
}

// ---- properties -----------------------------------------------------------------------------

QString CMprisService::PlaybackStatus() const {
    return status_;
}

QDBusObjectPath CMprisService::TrackId() const {
    if (trackNumber_ == 0) return QDBusObjectPath(QString::fromUtf8(kNoTrack));
    return QDBusObjectPath(QString::fromUtf8(kTrackPrefix) + QString::number(trackNumber_));
}

QVariantMap CMprisService::Metadata() const {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId()));
    if (trackNumber_ == 0) return metadata;
    metadata.insert(QStringLiteral("mpris:length"), lengthUs_);
    metadata.insert(QStringLiteral("xesam:url"), url_);
    metadata.insert(QStringLiteral("xesam:title"), title_);
    if (!artist_.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{artist_});
    }
    return metadata;
}

double CMprisService::Volume() const {
    return center_.GetController().GetEngine().GetVolume() / 100.0;
}

void CMprisService::SetVolume(double volume) {
    if (std::isnan(volume)) return;
    const double clamped = std::clamp(volume, 0.0, 1.0);
    center_.GetController().SetVolume(static_cast<int32_t>(std::lround(clamped * 100.0)));
}

qlonglong CMprisService::Position() const {
    CFilterGraph* graph = center_.GetController().GetEngine().GetGraph();
    REFERENCE_TIME now = 0;
    if (!IsLoaded() || !graph || FAILED(graph->GetCurrentPosition(&now)) || now < 0) return 0;
    return now / 10;
}

bool CMprisService::HasRows() const {
    IPlaylistAdapter* adapter = center_.GetAdapter();
    return adapter && adapter->GetCount() > 0;
}

bool CMprisService::CanSeek() const {
    return trackNumber_ != 0 && canSeek_;
}

bool CMprisService::IsLoaded() const {
    return trackNumber_ != 0 && center_.GetController().GetEngine().IsLoaded();
}

bool CMprisService::IsPlaying() const {
    return status_ == QLatin1String("Playing");
}

// ---- methods --------------------------------------------------------------------------------

void CMprisService::Next() {
    center_.JumpNext();
}

void CMprisService::Previous() {
    center_.JumpPrevious();
}

void CMprisService::Pause() {
    if (IsPlaying()) center_.Play();  // the play/pause button
}

void CMprisService::PlayPause() {
    center_.Play();
}

void CMprisService::Stop() {
    center_.Stop();
}

void CMprisService::Play() {
    if (!IsPlaying()) center_.Play();
}

void CMprisService::Seek(qlonglong offset) {
    if (!IsLoaded()) return;
    const qlonglong target = std::max<qlonglong>(0, Position() + offset);
    if (lengthUs_ > 0 && target > lengthUs_) {
        Next();
        return;
    }
    SeekTo(static_cast<double>(target) / kUsPerSecond);
}

void CMprisService::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    if (!IsLoaded() || track.path() != TrackId().path()) return;
    if (position < 0 || position > lengthUs_) return;
    SeekTo(static_cast<double>(position) / kUsPerSecond);
}

bool CMprisService::OpenUri(const QString& uri) {
    const std::optional<std::string> local = OpenUriPath(uri);
    if (!local) return false;
    const std::string& path = *local;
    IPlaylistAdapter* adapter = center_.GetAdapter();
    if (path.empty() || !adapter) return true;
    const int before = adapter->GetCount();
    center_.OpenFiles({path}, true);
    if (adapter->GetCount() > before) center_.JumpTo(before);
    return true;
}

void CMprisService::SeekTo(double seconds) {
    ownSeek_ = true;
    center_.GetController().SetPosition(seconds);
    ownSeek_ = false;
}

// ---- events ---------------------------------------------------------------------------------

void CMprisService::OnMediaLoaded(ISubject*, EventArg arg1, EventArg) {
    const auto* clip = reinterpret_cast<const CClipInfo*>(arg1);
    ++trackNumber_;
    lengthUs_ = clip ? static_cast<qlonglong>(std::llround(clip->duration * kUsPerSecond)) : 0;
    canSeek_ = clip && (clip->canSeekAbsolute || clip->canSeekForwards);
    url_ =
        clip ? QUrl::fromLocalFile(QString::fromStdString(clip->path)).toString(QUrl::FullyEncoded)
             : QString();
    title_ = clip ? QString::fromStdString(clip->GetDisplayTitle()) : QString();
    artist_ = clip ? QString::fromStdString(clip->author) : QString();
    status_ = QStringLiteral("Stopped");
    ResetSeekBase();
    Refresh();
}

void CMprisService::OnMediaState(ISubject*, EventArg, EventArg) {
    CEngineDS& engine = center_.GetController().GetEngine();
    const std::string& state = engine.GetStateName();
    status_ = state == "Playing"  ? QStringLiteral("Playing")
              : state == "Paused" ? QStringLiteral("Paused")
                                  : QStringLiteral("Stopped");
    ResetSeekBase();
    Refresh();
}

void CMprisService::OnMediaLoadFailed(ISubject*, EventArg, EventArg) {
    trackNumber_ = 0;
    status_ = QStringLiteral("Stopped");
    Refresh();
}

void CMprisService::OnPositionChanged(ISubject*, EventArg, EventArg) {
    CheckSeek(ownSeek_);
}

void CMprisService::OnVolumeChanged(ISubject*, EventArg, EventArg) {
    Refresh();
}

void CMprisService::ResetSeekBase() {
    basePositionUs_ = Position();
    baseMs_ = NowMs();
}

void CMprisService::CheckSeek(bool forced) {
    const qlonglong now = Position();
    const int64_t ms = NowMs();
    const qlonglong expected = basePositionUs_ + (IsPlaying() ? (ms - baseMs_) * 1000 : 0);
    basePositionUs_ = now;
    baseMs_ = ms;
    if (forced || std::llabs(now - expected) > kSeekJumpUs) emit Seeked(now);
}

void CMprisService::Refresh() {
    if (!bus_) return;
    QVariantMap current;
    current.insert(QStringLiteral("PlaybackStatus"), PlaybackStatus());
    current.insert(QStringLiteral("Metadata"), Metadata());
    current.insert(QStringLiteral("Volume"), Volume());
    const bool rows = HasRows();
    for (const char* name : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause"}) {
        current.insert(QString::fromUtf8(name), rows);
    }
    current.insert(QStringLiteral("CanSeek"), CanSeek());

    QVariantMap changed;
    for (auto it = current.constBegin(); it != current.constEnd(); ++it) {
        const auto old = announced_.constFind(it.key());
        if (old == announced_.constEnd() || old.value() != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    announced_ = current;
    if (changed.isEmpty()) return;
    QDBusMessage message = QDBusMessage::createSignal(
        QString::fromUtf8(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    message << QString::fromUtf8(kPlayerInterface) << changed << QStringList();
    bus_->send(message);
}

// ---- media keys -----------------------------------------------------------------------------

bool CMprisService::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_.data() || event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_MediaTogglePlayPause:
            PlayPause();
            return true;
        case Qt::Key_MediaPlay:
            Play();
            return true;
        case Qt::Key_MediaPause:
            Pause();
            return true;
        case Qt::Key_MediaStop:
            Stop();
            return true;
        case Qt::Key_MediaNext:
            Next();
            return true;
        case Qt::Key_MediaPrevious:
            Previous();
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace zvp

#include "CMprisService.moc"
