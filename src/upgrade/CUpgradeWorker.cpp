#include "upgrade/CUpgradeWorker.h"

#include <unistd.h>

#include <optional>

#include "app/CAppFolder.h"
#include "app/CrashHandler.h"
#include "app/InstallerName.h"
#include "app/Logger.h"
#include "upgrade/CDlgUpgrading.h"
#include "upgrade/CleanInstallerFolder.h"
#include "upgrade/OfferedVersion.h"
#include "upgrade/UpgradeEndpoints.h"

namespace zvp {
namespace {

constexpr LogPoint kCheckLog{"CUpgradeWorker::CheckForUpgrade", kLogInfo};

std::string WithoutTrailingSlash(std::string url) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

bool IsPlainHttp(const std::string& url) {
    return url.size() >= 7 &&
           (url.compare(0, 7, "http://") == 0 || url.compare(0, 7, "HTTP://") == 0);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

bool CUpgradeWorker::Start(IUpgradeHost* host, UpgradeConfig config) {
    if (!host || thread_.joinable()) return false;
    {
        MutexLock lock(mutex_);
        if (outcome_ != Outcome::kNotStarted) return false;
        outcome_ = Outcome::kRunning;
    }
    client_ = std::make_unique<WinHttpClient>();
    thread_ = std::thread([this, host, config = std::move(config)] { Run(host, config); });
    return true;
}

void CUpgradeWorker::Stop() {
    stopped_->store(true);
    if (client_) client_->Cancel();
    if (thread_.joinable()) thread_.join();
}

CUpgradeWorker::Outcome CUpgradeWorker::GetOutcome() const {
    MutexLock lock(mutex_);
    return outcome_;
}

bool CUpgradeWorker::WaitForOutcome(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    MutexLock lock(mutex_);
    while (outcome_ == Outcome::kRunning || outcome_ == Outcome::kNotStarted) {
        if (!changed_.WaitUntil(mutex_, deadline)) {
            return outcome_ != Outcome::kRunning && outcome_ != Outcome::kNotStarted;
        }
    }
    return true;
}

void CUpgradeWorker::Finish(Outcome outcome) {
    MutexLock lock(mutex_);
    outcome_ = outcome;
    changed_.NotifyAll();
}

void CUpgradeWorker::Run(IUpgradeHost* host, const UpgradeConfig& config) {
    PrepareCrashHandlerThread();
    CleanInstallerFolder(config.installerFolder);
    Outcome outcome = CheckForUpgrade(host, config);
    if (stopped_->load() && outcome != Outcome::kOffered) outcome = Outcome::kStopped;
    Finish(outcome);
}

CUpgradeWorker::Outcome CUpgradeWorker::CheckForUpgrade(IUpgradeHost* host,
                                                        const UpgradeConfig& config) {
    const std::string server = WithoutTrailingSlash(config.serverUrl);
    if (server.empty()) {
        Log(kCheckLog, "No upgrade server configured");
        return Outcome::kNoServer;
    }
    const std::string web = WithoutTrailingSlash(config.webUrl);
    for (const std::string* url : {&server, &web}) {
        if (IsPlainHttp(*url)) {
            Log(LogPoint{"CUpgradeWorker::CheckForUpgrade", kLogError},
                "Warning: plain http address %s; no installer is fetched over it", url->c_str());
        }
    }

    const std::string version = host->GetRunningVersionText();
    const bool beta = IsBetaVersion(version);
    std::string resource = Lower("retrieve_latest_" + config.productAbbreviation);
    if (beta) resource += "_beta";

    WinHttpClient& client = *client_;
    client.SetUrl(server + kUpgradeCheckPath + resource);
    client.SetCaFile(config.caFile);
    client.SetBodyCap(config.checkBodyCap);
    client.SetTimeouts(0, config.checkConnectMs, config.checkStallMs, config.checkStallMs);
    const bool answered = client.SendHttpRequest("GET", false);
    if (!answered || client.GetResponseStatusCode() != "200") {
        Log(kCheckLog, "Upgrade check of %s: status \"%s\", error %d", client.GetUrl().c_str(),
            client.GetResponseStatusCode().c_str(), client.GetLastError());
        return Outcome::kCheckFailed;
    }

    const std::optional<InstallerName> name = ParseInstallerName(client.GetResponseContent());
    if (!name) {
        Log(kCheckLog, "Refused the offered installer name (%zu bytes)",
            client.GetResponseContent().size());
        return Outcome::kRefusedName;
    }
    if (!IsOfferedVersionNewer(version, name->name)) {
        Log(kCheckLog, "Offered %s is not newer than %s", name->name.c_str(), version.c_str());
        return Outcome::kNotNewer;
    }

    const std::string relauncher = config.programFolder + kRelauncherName;
    if (::access(relauncher.c_str(), X_OK) != 0) {
        Log(kCheckLog, "No relauncher at %s: %s not downloaded", relauncher.c_str(),
            name->name.c_str());
        return Outcome::kNoRelauncher;
    }

    const std::string folder =
        config.installerFolder.empty() ? CAppFolder::GetInstaller() : config.installerFolder;
    const std::string url = web + (beta ? kBetaDownloadPath : kDownloadPath) + name->name;
    DownloadLimits limits;
    limits.maxBytes = config.downloadMaxBytes;
    limits.stallMs = config.downloadStallMs;
    limits.totalMs = config.downloadTotalMs;
    if (web.empty() ||
        !client.DownloadToFile(url, folder, name->name, limits, config.allowPlainHttpForTest)) {
        Log(kCheckLog, "Download of %s failed: status \"%s\", error %d", url.c_str(),
            client.GetResponseStatusCode().c_str(), client.GetLastError());
        return Outcome::kDownloadFailed;
    }

    UpgradeOffer offer;
    offer.installerName = name->name;
    offer.installerPath = folder + name->name;
    offer.installerFolder = folder;
    offer.programFolder = config.programFolder;
    offer.versionText = version;
    offer.webUrl = web;
    offer.productName = config.productName;
    offer.productAbbreviation = config.productAbbreviation;
    Log(kCheckLog, "Offering %s", offer.installerPath.c_str());
    host->PostToUiThread([host, offer = std::move(offer), stopped = stopped_] {
        if (stopped->load()) return;
        auto dialog = std::make_unique<CDlgUpgrading>(*host, offer);
        dialog->show();
        host->AdoptUpgradeDialog(std::move(dialog));
    });
    return Outcome::kOffered;
}

}  // namespace zvp
