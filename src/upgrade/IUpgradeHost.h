#pragma once

#include <functional>
#include <memory>
#include <string>

namespace zvp {

class CDlgUpgrading;

// What the upgrade check needs from the main window.
class IUpgradeHost {
  public:
    virtual ~IUpgradeHost() = default;

    // The running version text ("2.0.17", "2.0.17 beta"). Any thread.
    virtual std::string GetRunningVersionText() const = 0;

    // Runs `call` later on the UI thread; it is dropped when the host is destroyed first.
    // Any thread; never blocks.
    virtual void PostToUiThread(std::function<void()> call) = 0;

    // Keeps the shown offer dialog for the host's lifetime, so closing the player closes it.
    // UI thread.
    virtual void AdoptUpgradeDialog(std::unique_ptr<CDlgUpgrading> dialog) = 0;

    // Closes the main window the normal way (its close sequence runs). UI thread.
    virtual void CloseMainWindow() = 0;
};

}  // namespace zvp
