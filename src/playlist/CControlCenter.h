#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ISubject.h"
#include "app/ITimerClient.h"
#include "app/ObserverHandlers.h"
#include "playlist/CPlaybackController.h"
#include "playlist/CPlaylistModel.h"
#include "playlist/CPlaylistOperator.h"

class QWidget;

namespace zvp {

class CClipInfo;
class IClipShiftState;
class IDiscDrives;
class IPlaylistDialogs;

// Ties playback to the playlist: owns the playlist model, the playback controller and the
// playlist operator, republishes the controller's events, carries out the user's playback and
// playlist commands and decides what plays next through the clip-shift states.
//
// Events republished on its own subject with the controller's two parameters: "MediaLoaded",
// "MediaPlaying", "MediaPaused", "MediaStopped", "MediaAborted", "MediaCompleted",
// "MediaLoadFailed", "MediaPositionChanged". After republishing:
//   "MediaLoaded"      the shift state becomes Finished; the model redraws
//   "MediaCompleted"   RunShift
//   "MediaAborted"     RunShift
//   "MediaLoadFailed"  the shift state becomes Finished, the model redraws, RunShift
// The operator's "ListItemActived" (row) plays that row at once; it is not republished.
//
// Shifts never nest: a RunShift requested while a shift runs (a failed load inside it) is
// counted and run by the outer call after the current one returns, so a run of missing files
// takes no stack and events keep their order.
//
// Jumps (JumpFirst/Last/Previous/Next) move the cursor at once and load after the shift delay
// on timer kShiftTimerId; another jump within the delay restarts it. A row activation, JumpTo,
// Play's immediate shift and Clear stop a waiting delay, so its tick cannot replace the file
// the user has just chosen.
//
// Threads: UI thread only; no locks. The folder search of AddFolderDialog runs on a worker
// thread of its own, which hands its rows back to the UI thread; the destructor stops and
// joins it. Life: Initialize once the parent window exists. The model outlives the operator
// and the controller (members in that order); timer kShiftTimerId is stopped by the
// destructor when it is this object's.
class CControlCenter : public ITimerClient, public ISubject, public Observer<CControlCenter> {
  public:
    static constexpr uint32_t kShiftTimerId = 0;
    static constexpr uint32_t kDefaultShiftDelayMs = 500;

    CControlCenter();
    ~CControlCenter() override;
    CControlCenter(const CControlCenter&) = delete;
    CControlCenter& operator=(const CControlCenter&) = delete;

    // Stores the delay, initialises the controller with `parent` and the operator with
    // `adapter` (not owned; the main window passes &GetPlaylistModel()) and subscribes to both.
    // False, with nothing subscribed, when the controller cannot be initialised.
    bool Initialize(QWidget* parent, IPlaylistAdapter* adapter,
                    uint32_t shiftDelayMs = kDefaultShiftDelayMs);
    // The dialogs of the playlist commands (not owned; null: those commands log and do
    // nothing). The object must outlive its use here or be unset first.
    void SetDialogs(IPlaylistDialogs* dialogs) { dialogs_ = dialogs; }
    // The drives PlayDisc walks (not owned; null: this machine's optical drives). The object
    // must outlive its use here or be unset first.
    void SetDiscDrives(IDiscDrives* drives) { discDrives_ = drives; }

    // Playback commands.
    // Toggles play/pause when a file is loaded; otherwise plays the current row (row 0 when
    // none is current) at once.
    void Play();
    void Stop();
    void JumpFirst();
    void JumpLast();
    void JumpPrevious();
    void JumpNext();
    // Makes `row` current and plays it after the shift delay; nothing for an invalid row.
    void JumpTo(int row);
    // Releases the engine's graph.
    bool CloseMedia();

    CPlaybackController& GetController() { return controller_; }
    CPlaylistOperator& GetOperator() { return operator_; }
    IPlaylistAdapter* GetAdapter() const { return operator_.GetAdapter(); }
    CPlaylistModel& GetPlaylistModel() { return model_; }

    // Playlist operations. Paths are UTF-8 bytes.
    // Appends one row for `path` (not checked: a missing file fails when played).
    void AddFile(const std::string& path);
    // Appends the rows of a playlist file; false (nothing added) when it cannot be read.
    bool ReadPlaylist(const std::string& path);
    // Writes every row's path to a playlist file; false (the old file kept) on failure.
    bool WritePlaylist(const std::string& path);
    // Clears the list and reads the default playlist when it exists. A default playlist that
    // exists but cannot be read is renamed to "__default.mpl.bak" so the close-time save
    // cannot replace it; when that fails, SaveDefaultPlaylist refuses for the rest of the run.
    bool LoadDefaultPlaylist();
    bool SaveDefaultPlaylist();
    // Replacing (append false): stops playback, replaces the rows and plays the first new
    // one. Appending: adds the rows and leaves playback alone. A path ending in ".mpl" is read
    // as a playlist, any other is added as a file; all rows go in as one change.
    void OpenFiles(const std::vector<std::string>& paths, bool append);
    // When `path` can be read as a playlist: replaces the rows with it and stores its folder
    // as the profile's "User/PlaylistPath". False, with the rows untouched, otherwise.
    bool OpenPlaylistFile(const std::string& path);
    void OpenFilesDialog(bool replace);
    void AddFilesDialog();
    void AddPlaylistsDialog();
    // Searches the chosen folder tree on a worker thread; its files are appended, in the
    // order found, when the search ends (unless the control centre is destroyed first).
    void AddFolderDialog();
    void OpenPlaylistDialog();
    void SavePlaylistAsDialog();
    void LoadSubtitleDialog();
    // Plays the first Video CD, DVD or audio CD found: stops playback, replaces the rows with
    // its files (a DVD's menu title sets, "...0.vob", left out) and plays the first. With
    // nothing found, playback and rows stay as they are; the user is told through the
    // dialogs (when set) and the log. Scans on the calling (UI) thread; never waits for a
    // tray or a spin-up.
    void PlayDisc();
    // Both finish an engine load under way first (its record must outlive it).
    void DeleteSelected();
    void Clear();
    // Whether a folder search started by AddFolderDialog is still running.
    bool IsAddingFolder() const { return folderSearch_ != nullptr; }

    // Clip shift.
    void SetClipShiftState(const IClipShiftState* state) { shiftState_ = state; }
    const IClipShiftState* GetClipShiftState() const { return shiftState_; }
    void RunShift();
    void StartShiftTimer();
    uint32_t GetShiftDelay() const { return shiftDelayMs_; }
    // The record whose load failed last, until a load succeeds or the user jumps; compared,
    // never dereferenced.
    const CClipInfo* GetJustFailed() const { return justFailed_; }

    // ITimerClient: timer kShiftTimerId's tick.
    void OnTimer(uint32_t timerId) override;

    // The profile (user-scope INI "ZVP"/"zvp") entry that remembers the last opened
    // playlist's folder.
    static std::string GetProfilePlaylistPath();

  private:
    class FolderSearch;

    void OnMediaLoaded(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaPlaying(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaPaused(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaStopped(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaAborted(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaCompleted(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaLoadFailed(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnMediaPositionChanged(ISubject* subject, EventArg arg1, EventArg arg2);
    void OnListItemActived(ISubject* subject, EventArg arg1, EventArg arg2);

    void StopShiftTimer();
    // Plays `row` at once (Jump state, immediate shift); nothing when it is not a valid row.
    void PlayRowNow(int row);
    // Appends the rows of `records` as one change; returns the first new row's index.
    int Append(std::vector<std::unique_ptr<CClipInfo>> records);
    // The records of a playlist file's rows; false when it cannot be read.
    bool ReadPlaylistRecords(const std::string& path,
                             std::vector<std::unique_ptr<CClipInfo>>& records);
    // Adds the records for `path` as OpenFiles treats it.
    void CollectOpenRecords(const std::string& path,
                            std::vector<std::unique_ptr<CClipInfo>>& records);
    // The folder stored under `key` and, after OK, the folder of `chosen` stored there and
    // the settings saved.
    static std::string StartFolder(const char* key);
    static void StoreFolder(const char* key, const std::string& chosenPath, bool isFolder);
    bool HaveDialogs(const char* command);
    // Joins the finished search, then appends the records it made.
    void OnFolderSearchDone(
        const std::shared_ptr<std::vector<std::unique_ptr<CClipInfo>>>& records);

    CPlaylistModel model_;  // first: outlives the operator, which detaches from it
    CPlaybackController controller_;
    CPlaylistOperator operator_;
    const IClipShiftState* shiftState_ = nullptr;  // a singleton; null until the first shift
    uint32_t shiftDelayMs_ = kDefaultShiftDelayMs;
    IPlaylistDialogs* dialogs_ = nullptr;         // not owned
    IDiscDrives* discDrives_ = nullptr;           // not owned
    std::unique_ptr<IDiscDrives> ownDiscDrives_;  // this machine's, made on first use
    const CClipInfo* justFailed_ = nullptr;
    bool initialized_ = false;
    bool shifting_ = false;        // a RunShift is on the stack
    int pendingShifts_ = 0;        // RunShift calls made during it, still to run
    bool protectDefault_ = false;  // the unreadable default playlist could not be set aside
    std::string lastSaveName_;     // the name last chosen in the save-as dialog this run
    std::unique_ptr<FolderSearch> folderSearch_;
    QObject context_;  // target of the folder search's hand-back; last, so it goes first
};

}  // namespace zvp
