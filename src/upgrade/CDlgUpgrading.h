#pragma once

#include <QDialog>
#include <QUrl>
#include <string>

#include "upgrade/UpgradeOffer.h"

class QLabel;
class QPushButton;

namespace zvp {

class IUpgradeHost;

// The upgrade offer: a small parentless, non-modal dialog at the bottom right of the primary
// screen naming the downloaded installer, with a "What's New" link and the default button
// "Install". Install copies the relauncher into the Installer folder (mode 0700), starts the
// copy with the installer's path in a session of its own, and closes the main window through
// the host; when the copy or the start fails it logs the failure and the player keeps running.
//
// Owned by the host (IUpgradeHost::AdoptUpgradeDialog). UI thread only.
class CDlgUpgrading : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kScreenMargin = 100;

    CDlgUpgrading(IUpgradeHost& host, UpgradeOffer offer);
    ~CDlgUpgrading() override;

    const UpgradeOffer& Offer() const { return offer_; }
    QPushButton* InstallButton() const { return install_; }
    QPushButton* WhatsNewButton() const { return whatsNew_; }
    QLabel* MessageLabel() const { return message_; }

    // "<web>/vidra-player/whatsnew.htm?v=<version>", the version percent-encoded.
    static QUrl WhatsNewUrl(const std::string& webUrl, const std::string& versionText);

    // Copies the relauncher beside the installer and starts the copy with the installer's
    // path. False, with a log line, when either step fails.
    static bool StartRelauncher(const UpgradeOffer& offer);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnWhatsNew();
    void OnInstall();
    void PlaceAtBottomRight();

    IUpgradeHost& host_;
    UpgradeOffer offer_;
    QLabel* message_ = nullptr;
    QPushButton* whatsNew_ = nullptr;
    QPushButton* install_ = nullptr;
};

}  // namespace zvp
