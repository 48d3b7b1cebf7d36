#pragma once

#include <QFileDialog>
#include <string>
#include <vector>

namespace zvp {

// The player's file dialog: Qt's own (never the desktop's native one, so it looks and behaves
// the same everywhere and can be driven in tests), taking its filters in the form of
// app/FileTypes.h and its start folder and results as UTF-8 paths. UI thread only.
class CFileDlgPro : public QFileDialog {
    Q_OBJECT

  public:
    enum class Kind {
        Open,  // one or more existing files
        Save,  // one file name; asks before overwriting
    };

    CFileDlgPro(QWidget* parent, Kind kind, const std::string& startFolder,
                const std::string& filter);

    // Save dialogs: a name typed without a suffix gets `suffix` (no dot).
    void SetDefaultSuffix(const std::string& suffix);
    // Save dialogs: the name filled in at the start.
    void SetInitialName(const std::string& name);

    // Runs the dialog; the chosen paths in order, empty when cancelled.
    std::vector<std::string> Run();
};

}  // namespace zvp
