// The MPRIS service on a private session bus (the binary runs under dbus-run-session), driven
// the way a desktop's media widget drives it: a client on a connection of its own, every call
// asynchronous so the service's thread keeps serving. Clips play through the real engine,
// offscreen, with SDL's dummy audio.
#include "ui/CMprisService.h"

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QUrl>
#include <QWidget>

#include "app/ScopedLogCapture.h"
#include "playlist/CControlCenter.h"
#include "ui/DialogTestUtil.h"

namespace zvp {

// Records the service's signals as the client sees them.
class MprisSignalRecorder : public QObject {
    Q_OBJECT

  public:
    std::vector<QVariantMap> changes;  // PropertiesChanged's changed properties, in order
    std::vector<qlonglong> seeks;

    // The last announced value of `property`, or an invalid QVariant.
    QVariant LastChange(const QString& property) const {
        for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
            if (it->contains(property)) return it->value(property);
        }
        return {};
    }

  public Q_SLOTS:
    void OnPropertiesChanged(const QString& iface, const QVariantMap& changed, const QStringList&) {
        if (iface == QLatin1String("org.mpris.MediaPlayer2.Player")) changes.push_back(changed);
    }
    void OnSeeked(qlonglong position) { seeks.push_back(position); }
};

namespace {

using namespace std::chrono_literals;
using test::MediaPath;
using test::PumpUntil;

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr qlonglong kSecond = 1000000;

class MprisTest : public test::SettingsHomeTest {
  protected:
    void SetUp() override {
        SettingsHomeTest::SetUp();
        host.resize(320, 240);
        ASSERT_TRUE(center.Initialize(&host, &center.GetPlaylistModel(), 0));
        service = std::make_unique<CMprisService>(center, nullptr);
        ASSERT_TRUE(service->Register());
        ASSERT_EQ(service->ServiceName(), QLatin1String(CMprisService::kServiceName));
        client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mpris-client");
        ASSERT_TRUE(client.isConnected());
        const QString name = service->ServiceName();
        ASSERT_TRUE(client.connect(name, kPath, kProperties, "PropertiesChanged", &recorder,
                                   SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList))));
        ASSERT_TRUE(
            client.connect(name, kPath, kPlayer, "Seeked", &recorder, SLOT(OnSeeked(qlonglong))));
    }
    void TearDown() override {
        center.Stop();
        service.reset();
        QDBusConnection::disconnectFromBus("mpris-client");
    }

    QDBusMessage Call(const QString& iface, const QString& method, const QVariantList& args = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(service->ServiceName(), kPath, iface, method);
        message.setArguments(args);
        QDBusPendingCall pending = client.asyncCall(message);
        EXPECT_TRUE(PumpUntil([&] { return pending.isFinished(); }, 10s)) << method.toStdString();
        return pending.reply();
    }
    QVariant Get(const QString& property, const QString& iface = kPlayer) {
        const QDBusMessage reply = Call(kProperties, "Get", {iface, property});
        if (reply.type() != QDBusMessage::ReplyMessage) return {};
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    void Set(const QString& property, const QVariant& value) {
        const QDBusMessage reply =
            Call(kProperties, "Set", {kPlayer, property, QVariant::fromValue(QDBusVariant(value))});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    QVariantMap Metadata() { return qdbus_cast<QVariantMap>(Get("Metadata")); }
    QString TrackId() { return Metadata().value("mpris:trackid").value<QDBusObjectPath>().path(); }
    bool WaitForStatus(const char* status) {
        return PumpUntil([&] { return Get("PlaybackStatus").toString() == status; }, 10s);
    }
    void AddClips(std::initializer_list<const char*> names) {
        for (const char* name : names) center.AddFile(MediaPath(name));
    }

    QWidget host;
    CControlCenter center;
    std::unique_ptr<CMprisService> service;
    QDBusConnection client{QString()};
    MprisSignalRecorder recorder;
};

TEST_F(MprisTest, RootIdentifiesThePlayer) {
    EXPECT_EQ(Get("Identity", kRoot).toString(), "Zeph Vidra Player");
    EXPECT_EQ(Get("DesktopEntry", kRoot).toString(), "zvp");
    EXPECT_TRUE(Get("CanQuit", kRoot).toBool());
    EXPECT_TRUE(Get("CanRaise", kRoot).toBool());
    EXPECT_FALSE(Get("HasTrackList", kRoot).toBool());
    EXPECT_EQ(Get("SupportedUriSchemes", kRoot).toStringList(), QStringList{"file"});
    const QStringList types = Get("SupportedMimeTypes", kRoot).toStringList();
    EXPECT_TRUE(types.contains("video/mp4"));
    EXPECT_TRUE(types.contains("audio/flac"));
    EXPECT_EQ(Get("Rate").toDouble(), 1.0);
    EXPECT_EQ(TrackId().toStdString(), CMprisService::kNoTrack);
    EXPECT_EQ(Get("PlaybackStatus").toString(), "Stopped");
}

TEST_F(MprisTest, PlayPausePauseAndPlayChangeTheStatusWithPropertiesChanged) {
    AddClips({"long.mp4"});
    Call(kPlayer, "PlayPause");
    ASSERT_TRUE(WaitForStatus("Playing"));
    EXPECT_TRUE(PumpUntil([&] { return recorder.LastChange("PlaybackStatus") == "Playing"; }, 5s));

    const struct {
        const char* method;
        const char* status;
    } steps[] = {{"Pause", "Paused"},     {"Pause", "Paused"},  // pausing a pause does nothing
                 {"Play", "Playing"},     {"Play", "Playing"},  // nor playing a play
                 {"PlayPause", "Paused"}, {"PlayPause", "Playing"}};
    for (const auto& step : steps) {
        Call(kPlayer, step.method);
        EXPECT_TRUE(WaitForStatus(step.status)) << step.method;
        EXPECT_TRUE(
            PumpUntil([&] { return recorder.LastChange("PlaybackStatus") == step.status; }, 5s))
            << step.method;
    }
    // Each real change was announced exactly once: Playing, then the four changes above.
    int announced = 0;
    for (const QVariantMap& change : recorder.changes)
        announced += change.contains("PlaybackStatus");
    EXPECT_EQ(announced, 5);
    // The position comes from the graph in microseconds, not in whole seconds.
    EXPECT_TRUE(PumpUntil([&] { return Get("Position").toLongLong() % kSecond != 0; }, 5s));
}

TEST_F(MprisTest, NextSeekAndSetPositionMoveThroughTheClipsAndAnnounceSeeks) {
    AddClips({"long.mp4", "h264_aac.mp4"});
    Call(kPlayer, "Play");
    ASSERT_TRUE(WaitForStatus("Playing"));
    const QString first = TrackId();
    EXPECT_TRUE(first.startsWith("/org/zvp/track/"));
    EXPECT_EQ(Metadata().value("mpris:length").toLongLong(), 45 * kSecond);
    EXPECT_EQ(Metadata().value("xesam:url").toString(),
              QUrl::fromLocalFile(QString::fromStdString(MediaPath("long.mp4"))).toString());
    EXPECT_TRUE(Get("CanSeek").toBool());

    Call(kPlayer, "Seek", {qlonglong(3 * kSecond)});
    ASSERT_TRUE(PumpUntil([&] { return !recorder.seeks.empty(); }, 5s));
    EXPECT_GE(recorder.seeks.back(), 3 * kSecond - kSecond / 2);
    EXPECT_LE(recorder.seeks.back(), 4 * kSecond);

    // A stale track id or a position outside the clip does nothing.
    const size_t seeks = recorder.seeks.size();
    Call(kPlayer, "SetPosition",
         {QVariant::fromValue(QDBusObjectPath("/org/zvp/track/999")), qlonglong(30 * kSecond)});
    Call(kPlayer, "SetPosition",
         {QVariant::fromValue(QDBusObjectPath(first)), qlonglong(46 * kSecond)});
    Call(kPlayer, "Seek", {qlonglong(-60 * kSecond)});  // clamped at 0: a seek
    ASSERT_TRUE(PumpUntil([&] { return recorder.seeks.size() == seeks + 1; }, 5s));
    EXPECT_LT(recorder.seeks.back(), kSecond);
    Call(kPlayer, "SetPosition",
         {QVariant::fromValue(QDBusObjectPath(first)), qlonglong(20 * kSecond)});
    ASSERT_TRUE(PumpUntil([&] { return recorder.seeks.size() == seeks + 2; }, 5s));
    EXPECT_GE(recorder.seeks.back(), 20 * kSecond);
    EXPECT_EQ(TrackId(), first);

    // A seek from elsewhere (the window's slider, a key) is announced too.
    center.GetController().SetPosition(30);
    ASSERT_TRUE(PumpUntil([&] { return recorder.seeks.size() == seeks + 3; }, 5s));
    EXPECT_GE(recorder.seeks.back(), 30 * kSecond);

    Call(kPlayer, "Next");
    ASSERT_TRUE(PumpUntil([&] { return TrackId() != first; }, 10s));
    const QString second = TrackId();
    EXPECT_TRUE(WaitForStatus("Playing"));
    Call(kPlayer, "Seek", {qlonglong(100 * kSecond)});  // past the end: Next
    ASSERT_TRUE(PumpUntil([&] { return TrackId() != second; }, 10s));
    EXPECT_NE(TrackId(), first);  // every load has a new id, the same row included
}

TEST_F(MprisTest, VolumeIsClampedAndOpenUriTakesLocalFilesOnly) {
    Set("Volume", 0.35);
    EXPECT_EQ(center.GetController().GetVolume(), 35);
    EXPECT_TRUE(PumpUntil([&] { return recorder.LastChange("Volume") == 0.35; }, 5s));
    Set("Volume", 1.7);
    EXPECT_EQ(center.GetController().GetVolume(), 100);
    Set("Volume", -3.0);
    EXPECT_EQ(center.GetController().GetVolume(), 0);
    EXPECT_EQ(Get("Volume").toDouble(), 0.0);

    const QDBusMessage refused = Call(kPlayer, "OpenUri", {"http://example.com/a.mp4"});
    EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(refused.errorName(), "org.freedesktop.DBus.Error.NotSupported");
    EXPECT_EQ(center.GetPlaylistModel().GetCount(), 0);

    AddClips({"long.mp4"});
    const QString url =
        QUrl::fromLocalFile(QString::fromStdString(MediaPath("tone.wav"))).toString();
    EXPECT_EQ(Call(kPlayer, "OpenUri", {url}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(center.GetPlaylistModel().GetCount(), 2);
    ASSERT_TRUE(WaitForStatus("Playing"));
    EXPECT_EQ(Metadata().value("xesam:url").toString(), url);
    EXPECT_EQ(Metadata().value("xesam:title").toString(), "tone.wav");
}

TEST_F(MprisTest, CanGoNextReadsTheCountWithoutMovingTheCursor) {
    EXPECT_FALSE(Get("CanGoNext").toBool());
    EXPECT_FALSE(Get("CanPlay").toBool());
    AddClips({"long.mp4", "tone.wav"});
    EXPECT_TRUE(PumpUntil([&] { return recorder.LastChange("CanGoNext") == true; }, 5s));
    for (const char* property : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause"}) {
        EXPECT_TRUE(Get(property).toBool()) << property;
    }
    EXPECT_EQ(center.GetPlaylistModel().GetCurrent(), -1);
    EXPECT_FALSE(Get("CanSeek").toBool());  // nothing loaded
}

TEST_F(MprisTest, ASecondPlayerTakesAnInstanceNameAndNoBusGivesOneLine) {
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
    {
        CMprisService second(center, nullptr);
        ASSERT_TRUE(second.Register(other));
        EXPECT_EQ(second.ServiceName(),
                  QStringLiteral("%1.instance%2").arg(CMprisService::kServiceName).arg(::getpid()));
    }
    QDBusConnection::disconnectFromBus("other");

    test::ScopedLogCapture log;
    const QDBusConnection none =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "none");
    CMprisService offline(center, nullptr);
    EXPECT_FALSE(offline.Register(none));
    EXPECT_EQ(log.CountLines("CMprisService"), 1);
    QDBusConnection::disconnectFromBus("none");
}

}  // namespace
}  // namespace zvp

#include "CMprisService_unittest.moc"
