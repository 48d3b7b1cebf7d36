#include "upgrade/CDlgUpgrading.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "app/AtomicFileWriter.h"
#include "app/Logger.h"
#include "app/SpawnProgram.h"
#include "app/WholeFile.h"
#include "upgrade/IUpgradeHost.h"
#include "upgrade/UpgradeEndpoints.h"

namespace zvp {
namespace {

constexpr size_t kMaxRelauncherSize = 64u * 1024 * 1024;
constexpr const char* kIconResource = ":/icons/zvp-128.png";

QIcon ApplicationIcon() {
    const QIcon icon = QApplication::windowIcon();
    return icon.isNull() ? QIcon(kIconResource) : icon;
}

}  // namespace

CDlgUpgrading::CDlgUpgrading(IUpgradeHost& host, UpgradeOffer offer)
    : host_(host), offer_(std::move(offer)) {
    setWindowTitle(QString::fromStdString(offer_.productName + " " + offer_.versionText));
    const QIcon icon = ApplicationIcon();
    setWindowIcon(icon);

    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName("icon");
    iconLabel->setPixmap(icon.pixmap(48, 48));
    message_ = new QLabel(
        QString::asprintf("%s new revision availabled!\n\n%s", offer_.productAbbreviation.c_str(),
                          offer_.installerName.c_str()),
        this);
    message_->setObjectName("message");
    message_->setTextFormat(Qt::PlainText);
    whatsNew_ = new QPushButton(tr("What's New"), this);
    whatsNew_->setObjectName("whatsNew");
    whatsNew_->setFlat(true);
    whatsNew_->setAutoDefault(false);
    whatsNew_->setCursor(Qt::PointingHandCursor);
    whatsNew_->setStyleSheet("QPushButton { color: palette(link); text-decoration: underline; }");
    install_ = new QPushButton(tr("Install"), this);
    install_->setObjectName("install");
    install_->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addWidget(message_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(whatsNew_);
    bottom->addStretch(1);
    bottom->addWidget(install_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    connect(whatsNew_, &QPushButton::clicked, this, &CDlgUpgrading::OnWhatsNew);
    connect(install_, &QPushButton::clicked, this, &CDlgUpgrading::OnInstall);
    setModal(false);
    adjustSize();
    setFixedSize(size());
}

CDlgUpgrading::~CDlgUpgrading() = default;

void CDlgUpgrading::showEvent(QShowEvent* event) {
    PlaceAtBottomRight();
    QDialog::showEvent(event);
}

void CDlgUpgrading::PlaceAtBottomRight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.left() + area.width() - width() - kScreenMargin,
         area.top() + area.height() - height() - kScreenMargin);
}

QUrl CDlgUpgrading::WhatsNewUrl(const std::string& webUrl, const std::string& versionText) {
    QUrl url(QString::fromStdString(webUrl + kWhatsNewPagePath));
    QUrlQuery query;
    query.addQueryItem("v", QString::fromStdString(versionText));
    url.setQuery(query);
    return url;
}

void CDlgUpgrading::OnWhatsNew() {
    const QUrl url = WhatsNewUrl(offer_.webUrl, offer_.versionText);
    if (offer_.webUrl.empty() || !QDesktopServices::openUrl(url)) {
        Log(LogPoint{"CDlgUpgrading::OnWhatsNew", kLogInfo}, "Could not open %s",
            url.toEncoded().constData());
    }
}

void CDlgUpgrading::OnInstall() {
    const bool started = StartRelauncher(offer_);
    accept();
    if (started) host_.CloseMainWindow();
}

bool CDlgUpgrading::StartRelauncher(const UpgradeOffer& offer) {
    const LogPoint log{"CDlgUpgrading::StartRelauncher", kLogInfo};
    const std::string source = offer.programFolder + kRelauncherName;
    const std::string copy = offer.installerFolder + kRelauncherName;
    std::string bytes;
    if (!ReadWholeFile(source, kMaxRelauncherSize, bytes)) {
        Log(log, "Cannot read the relauncher %s: %s", source.c_str(), std::strerror(errno));
        return false;
    }
    if (!AtomicFileWriter::WriteFile(copy, bytes, 0700)) {
        Log(log, "Cannot copy the relauncher to %s: %s", copy.c_str(), std::strerror(errno));
        return false;
    }
    // A new session with only 0-2: the relauncher outlives the player, and an inherited
    // instance socket would keep the player's name alive while it waits for the player to go.
    pid_t pid = 0;
    const int rc = SpawnProgram({copy, offer.installerPath}, SpawnOptions{false, true}, &pid);
    if (rc != 0) {
        Log(log, "Cannot start %s: %s", copy.c_str(), std::strerror(rc));
        return false;
    }
    Log(log, "Started %s (pid %d) for %s", copy.c_str(), static_cast<int>(pid),
        offer.installerPath.c_str());
    return true;
}

}  // namespace zvp
