#pragma once

class QWidget;

namespace zvp {

// The application's modal dialogs, as the main window's commands open them: the options
// sheet ("&Option"), the media information ("Media &Info") and the about box ("A&bout").
// Each call returns when the dialog has closed. `parent` is the main window (may be null);
// the dialog is modal to it, so raising the main window brings the dialog forward.
// UI thread only.
class IAppDialogs {
  public:
    virtual ~IAppDialogs() = default;

    virtual void ShowOptions(QWidget* parent) = 0;
    virtual void ShowMediaInfo(QWidget* parent) = 0;
    virtual void ShowAbout(QWidget* parent) = 0;
};

}  // namespace zvp
