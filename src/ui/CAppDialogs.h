#pragma once

#include <string>

#include "ui/IAppDialogs.h"

namespace zvp {

class CControlCenter;

// The dialogs over the control centre: each call makes the dialog, runs it with exec() and
// destroys it, with the menu-open flag set (MenuOpenGuard) from before exec() until after the
// dialog is gone. The options sheet works on CAppIni::Instance() and the subtitle renderer;
// the media information reads the file open in `center`'s engine. `center` (not owned) must
// outlive this object. UI thread only.
class CAppDialogs : public IAppDialogs {
  public:
    CAppDialogs(CControlCenter& center, std::string productName, std::string versionText);

    void ShowOptions(QWidget* parent) override;
    void ShowMediaInfo(QWidget* parent) override;
    void ShowAbout(QWidget* parent) override;

  private:
    CControlCenter& center_;
    const std::string productName_;
    const std::string versionText_;
};

}  // namespace zvp
