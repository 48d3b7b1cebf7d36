#include "playlist/CControlCenter.h"

#include <sys/stat.h>

#include <QSettings>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/CAppFolder.h"
#include "app/CAppIni.h"
#include "app/CFileFinder.h"
#include "app/FileTypes.h"
#include "app/Logger.h"
#include "app/PathParts.h"
#include "app/TimerService.h"
#include "engine/AsciiCase.h"
#include "engine/CClipInfo.h"
#include "playlist/CClipShiftStateFinished.h"
#include "playlist/CClipShiftStateJump.h"
#include "playlist/CDiscDriveTable.h"
#include "playlist/CLinuxDiscDrives.h"
#include "playlist/CPlaylistFile.h"
#include "playlist/DiscDetection.h"
#include "playlist/IPlaylistDialogs.h"

namespace zvp {

namespace {

constexpr const char* kPlaylistPathKey = "settings::default_playlist_path";
constexpr const char* kMediaPathKey = "settings::default_media_file_path";
constexpr const char* kSubtitlePathKey = "settings::default_subtitle_path";

// Only this exact, lower-case extension makes a path a playlist for OpenFiles.
bool IsPlaylistPath(const std::string& path) {
    return PathParts(path).ExtensionWithoutDot() == "mpl";
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A DVD's menu title set ("VTS_01_0.VOB" in any case) is not played.
bool IsMenuVob(const std::string& path) {
    return path.size() >= 5 &&
           EqualsIgnoringAsciiCase(std::string_view(path).substr(path.size() - 5), "0.vob");
}

QSettings Profile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "ZVP", "zvp");
}

}  // namespace

// One folder search on its own thread. The worker only reads the file system and builds
// records, then posts them to the control centre's context object; the destructor (UI
// thread) cancels and joins it, so nothing is posted afterwards.
class CControlCenter::FolderSearch {
  public:
    FolderSearch(std::string folder, QObject* context, CControlCenter* center)
        : thread_([this, folder = std::move(folder), context, center] {
              Run(folder, context, center);
          }) {}
    ~FolderSearch() {
        cancelled_.store(true);
        finder_.StopSearch();
        if (thread_.joinable()) thread_.join();
    }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

  private:
    void Run(const std::string& folder, QObject* context, CControlCenter* center) {
        finder_.FindFiles(folder, "*.*", true);
        auto records = std::make_shared<std::vector<std::unique_ptr<CClipInfo>>>();
        records->reserve(finder_.files().size());
        for (const std::string& path : finder_.files()) {
            if (cancelled_.load()) return;
            records->push_back(IPlaylistAdapter::MakeFileRecord(path));
        }
        if (cancelled_.load()) return;
        QMetaObject::invokeMethod(
            context, [center, records] { center->OnFolderSearchDone(records); },
            Qt::QueuedConnection);
    }

    CFileFinder finder_;
    std::atomic<bool> cancelled_{false};
    std::thread thread_;  // last: starts once the members above exist
};

CControlCenter::CControlCenter() = default;

CControlCenter::~CControlCenter() {
    folderSearch_.reset();
    if (TimerService::Instance().ClientOf(kShiftTimerId) == this) StopShiftTimer();
    if (initialized_) {
        controller_.Detach(this);
        operator_.Detach(this);
    }
}

bool CControlCenter::Initialize(QWidget* parent, IPlaylistAdapter* adapter, uint32_t shiftDelayMs) {
    shiftDelayMs_ = shiftDelayMs;
    if (!controller_.Initialize(parent)) return false;

    controller_.Attach(this, "MediaLoaded", Handler(&CControlCenter::OnMediaLoaded));
    controller_.Attach(this, "MediaPlaying", Handler(&CControlCenter::OnMediaPlaying));
    controller_.Attach(this, "MediaPaused", Handler(&CControlCenter::OnMediaPaused));
    controller_.Attach(this, "MediaStopped", Handler(&CControlCenter::OnMediaStopped));
    controller_.Attach(this, "MediaAborted", Handler(&CControlCenter::OnMediaAborted));
    controller_.Attach(this, "MediaCompleted", Handler(&CControlCenter::OnMediaCompleted));
    controller_.Attach(this, "MediaLoadFailed", Handler(&CControlCenter::OnMediaLoadFailed));
    controller_.Attach(this, "MediaPositionChanged",
                       Handler(&CControlCenter::OnMediaPositionChanged));

    operator_.Initialize(adapter);
    operator_.Attach(this, "ListItemActived", Handler(&CControlCenter::OnListItemActived));
    // Audio CD rows of a saved playlist play from the drives as they are now.
    ICdDriveTable::Set(std::make_shared<CDiscDriveTable>());
    initialized_ = true;
    return true;
}

// ---- events ---------------------------------------------------------------------------------

void CControlCenter::OnMediaLoaded(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaLoaded", arg1, arg2);
    SetClipShiftState(&CClipShiftStateFinished::Instance());
    justFailed_ = nullptr;
    if (IPlaylistAdapter* adapter = GetAdapter()) adapter->Refresh();
}

void CControlCenter::OnMediaPlaying(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaPlaying", arg1, arg2);
}

void CControlCenter::OnMediaPaused(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaPaused", arg1, arg2);
}

void CControlCenter::OnMediaStopped(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaStopped", arg1, arg2);
}

void CControlCenter::OnMediaAborted(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaAborted", arg1, arg2);
    RunShift();
}

void CControlCenter::OnMediaCompleted(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaCompleted", arg1, arg2);
    RunShift();
}

void CControlCenter::OnMediaLoadFailed(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaLoadFailed", arg1, arg2);
    SetClipShiftState(&CClipShiftStateFinished::Instance());
    justFailed_ = reinterpret_cast<const CClipInfo*>(arg1);
    if (IPlaylistAdapter* adapter = GetAdapter()) adapter->Refresh();
    RunShift();
}

void CControlCenter::OnMediaPositionChanged(ISubject*, EventArg arg1, EventArg arg2) {
    Notify("MediaPositionChanged", arg1, arg2);
}

void CControlCenter::OnListItemActived(ISubject*, EventArg arg1, EventArg) {
    PlayRowNow(static_cast<int>(static_cast<intptr_t>(arg1)));
}

// ---- clip shift -----------------------------------------------------------------------------

void CControlCenter::RunShift() {
    if (shifting_) {
        ++pendingShifts_;
        return;
    }
    shifting_ = true;
    for (;;) {
        if (shiftState_) shiftState_->Shift(*this);
        if (pendingShifts_ == 0) break;
        --pendingShifts_;
    }
    shifting_ = false;
}

void CControlCenter::StartShiftTimer() {
    StopShiftTimer();
    TimerService::Instance().StartTimer(kShiftTimerId, shiftDelayMs_, this);
}

void CControlCenter::StopShiftTimer() {
    TimerService& timers = TimerService::Instance();
    if (timers.ClientOf(kShiftTimerId) == this) timers.StopTimer(kShiftTimerId);
}

void CControlCenter::OnTimer(uint32_t timerId) {
    if (timerId != kShiftTimerId) return;
    StopShiftTimer();
    if (controller_.GetEngine().IsPlayingOrPaused()) {
        // Its "MediaAborted" runs the shift.
        controller_.Abort();
    } else {
        RunShift();
    }
    if (QWidget* parent = controller_.GetEngine().parentWidget()) parent->window()->setFocus();
}

void CControlCenter::PlayRowNow(int row) {
    IPlaylistAdapter* adapter = GetAdapter();
    if (!adapter || row < 0 || row >= adapter->GetCount()) return;
    StopShiftTimer();
    justFailed_ = nullptr;
    adapter->SetCurrent(row);
    SetClipShiftState(&CClipShiftStateJump::Instance());
    RunShift();
    SetClipShiftState(&CClipShiftStateFinished::Instance());
}

// ---- playback commands ----------------------------------------------------------------------

void CControlCenter::Play() {
    if (controller_.GetEngine().IsLoaded()) {
        controller_.TogglePlay();
    } else if (operator_.GetCount() > 0) {
        StopShiftTimer();
        justFailed_ = nullptr;
        SetClipShiftState(&CClipShiftStateJump::Instance());
        RunShift();
    }
}

void CControlCenter::Stop() {
    controller_.Stop();
}

void CControlCenter::JumpLast() {
    if (!operator_.HasItems()) return;
    operator_.MoveLast();
    justFailed_ = nullptr;
    SetClipShiftState(&CClipShiftStateJump::Instance());
    StartShiftTimer();
}

void CControlCenter::JumpFirst() {
    if (!operator_.HasItems()) return;
    operator_.MoveFirst();
    justFailed_ = nullptr;
    SetClipShiftState(&CClipShiftStateJump::Instance());
    StartShiftTimer();
}

void CControlCenter::JumpPrevious() {
    if (!operator_.HasPrevious()) return;
    operator_.MovePrevious();
    justFailed_ = nullptr;
    SetClipShiftState(&CClipShiftStateJump::Instance());
    StartShiftTimer();
}

void CControlCenter::JumpNext() {
    if (!operator_.HasNext()) return;
    operator_.MoveNext();
    justFailed_ = nullptr;
    SetClipShiftState(&CClipShiftStateJump::Instance());
    StartShiftTimer();
}

void CControlCenter::JumpTo(int row) {
    IPlaylistAdapter* adapter = GetAdapter();
    if (!adapter || row < 0 || row >= adapter->GetCount()) return;
    adapter->SetCurrent(row);
    justFailed_ = nullptr;
    SetClipShiftState(&CClipShiftStateJump::Instance());
    StartShiftTimer();
}

bool CControlCenter::CloseMedia() {
    return controller_.CloseMedia();
}

// ---- playlist operations --------------------------------------------------------------------

int CControlCenter::Append(std::vector<std::unique_ptr<CClipInfo>> records) {
    IPlaylistAdapter* adapter = GetAdapter();
    if (!adapter) return -1;
    const int first = adapter->GetCount();
    if (records.empty()) return first;
    adapter->AppendItems(std::move(records));
    adapter->UpdateColumns();
    return first;
}

void CControlCenter::AddFile(const std::string& path) {
    std::vector<std::unique_ptr<CClipInfo>> records;
    records.push_back(IPlaylistAdapter::MakeFileRecord(path));
    Append(std::move(records));
}

bool CControlCenter::ReadPlaylistRecords(const std::string& path,
                                         std::vector<std::unique_ptr<CClipInfo>>& records) {
    std::vector<std::string> rows;
    if (!CPlaylistFile::Read(path, rows)) return false;
    records.reserve(records.size() + rows.size());
    for (const std::string& row : rows) records.push_back(IPlaylistAdapter::MakeFileRecord(row));
    return true;
}

bool CControlCenter::ReadPlaylist(const std::string& path) {
    std::vector<std::unique_ptr<CClipInfo>> records;
    if (!ReadPlaylistRecords(path, records)) return false;
    Append(std::move(records));
    return true;
}

bool CControlCenter::WritePlaylist(const std::string& path) {
    CAppFolder::GetPlaylists();  // created when missing
    std::vector<std::string> paths;
    if (IPlaylistAdapter* adapter = GetAdapter()) {
        const int count = adapter->GetCount();
        paths.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (const CClipInfo* record = adapter->GetItem(i)) paths.push_back(record->path);
        }
    }
    return CPlaylistFile::Write(path, paths);
}

bool CControlCenter::LoadDefaultPlaylist() {
    Clear();
    const std::string path = CAppFolder::GetPlaylistFile(CAppFolder::kDefaultPlaylistName);
    if (!FileExists(path)) return true;
    if (ReadPlaylist(path)) return true;
    // Keep the unreadable file out of the way of the close-time save.
    const std::string backup = path + ".bak";
    if (std::rename(path.c_str(), backup.c_str()) == 0) {
        Log(LogPoint{"CControlCenter::LoadDefaultPlaylist", kLogInfo},
            "Default playlist could not be read; kept as %s", backup.c_str());
    } else {
        protectDefault_ = true;
        Log(LogPoint{"CControlCenter::LoadDefaultPlaylist", kLogError},
            "Default playlist could not be read nor kept as %s (%s); it will not be replaced",
            backup.c_str(), std::strerror(errno));
    }
    return false;
}

bool CControlCenter::SaveDefaultPlaylist() {
    const std::string path = CAppFolder::GetPlaylistFile(CAppFolder::kDefaultPlaylistName);
    if (protectDefault_) {
        Log(LogPoint{"CControlCenter::SaveDefaultPlaylist", kLogError},
            "Not replacing the unreadable default playlist %s", path.c_str());
        return false;
    }
    return WritePlaylist(path);
}

void CControlCenter::CollectOpenRecords(const std::string& path,
                                        std::vector<std::unique_ptr<CClipInfo>>& records) {
    if (IsPlaylistPath(path)) {
        ReadPlaylistRecords(path, records);
    } else {
        records.push_back(IPlaylistAdapter::MakeFileRecord(path));
    }
}

void CControlCenter::OpenFiles(const std::vector<std::string>& paths, bool append) {
    std::vector<std::unique_ptr<CClipInfo>> records;
    for (const std::string& path : paths) CollectOpenRecords(path, records);
    if (append) {
        Append(std::move(records));
        return;
    }
    controller_.Stop();
    Clear();
    PlayRowNow(Append(std::move(records)));
}

bool CControlCenter::OpenPlaylistFile(const std::string& path) {
    std::vector<std::unique_ptr<CClipInfo>> records;
    if (!ReadPlaylistRecords(path, records)) return false;
    Clear();
    Append(std::move(records));
    QSettings profile = Profile();
    profile.setValue("User/PlaylistPath", QString::fromStdString(PathParts(path).Folder()));
    profile.sync();
    return true;
}

std::string CControlCenter::GetProfilePlaylistPath() {
    return Profile().value("User/PlaylistPath").toString().toStdString();
}

void CControlCenter::DeleteSelected() {
    IPlaylistAdapter* adapter = GetAdapter();
    if (!adapter) return;
    // A load under way publishes its record: it must not go first.
    controller_.GetEngine().FinishLoad();
    adapter->DeleteSelectedItems();
    adapter->UpdateColumns();
}

void CControlCenter::Clear() {
    StopShiftTimer();
    justFailed_ = nullptr;
    IPlaylistAdapter* adapter = GetAdapter();
    if (!adapter) return;
    controller_.GetEngine().FinishLoad();
    adapter->DeleteAllItems();
    adapter->UpdateColumns();
    adapter->SetCurrent(-1);
}

// ---- dialogs --------------------------------------------------------------------------------

bool CControlCenter::HaveDialogs(const char* command) {
    if (dialogs_) return true;
    Log(LogPoint{command, kLogInfo}, "No dialogs to ask the user with");
    return false;
}

std::string CControlCenter::StartFolder(const char* key) {
    return CAppIni::Instance().GetString(key);
}

void CControlCenter::StoreFolder(const char* key, const std::string& chosenPath, bool isFolder) {
    std::string folder = isFolder ? chosenPath : PathParts(chosenPath).Folder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    CAppIni& ini = CAppIni::Instance();
    if (ini.SetString(key, folder)) ini.Save();
}

void CControlCenter::OpenFilesDialog(bool replace) {
    if (!HaveDialogs("CControlCenter::OpenFilesDialog")) return;
    const std::vector<std::string> chosen =
        dialogs_->GetOpenFileNames(StartFolder(kMediaPathKey), MediaAndPlaylistFilter());
    if (chosen.empty()) return;
    StoreFolder(kMediaPathKey, chosen.front(), false);
    std::vector<std::unique_ptr<CClipInfo>> records;
    for (const std::string& path : chosen) CollectOpenRecords(path, records);
    if (replace) Clear();
    controller_.Stop();
    PlayRowNow(Append(std::move(records)));
}

void CControlCenter::AddFilesDialog() {
    if (!HaveDialogs("CControlCenter::AddFilesDialog")) return;
    const std::vector<std::string> chosen =
        dialogs_->GetOpenFileNames(StartFolder(kPlaylistPathKey), MediaFilter());
    if (chosen.empty()) return;
    StoreFolder(kPlaylistPathKey, chosen.front(), false);
    std::vector<std::unique_ptr<CClipInfo>> records;
    for (const std::string& path : chosen)
        records.push_back(IPlaylistAdapter::MakeFileRecord(path));
    Append(std::move(records));
}

void CControlCenter::AddPlaylistsDialog() {
    if (!HaveDialogs("CControlCenter::AddPlaylistsDialog")) return;
    const std::vector<std::string> chosen =
        dialogs_->GetOpenFileNames(StartFolder(kPlaylistPathKey), PlaylistFilter());
    if (chosen.empty()) return;
    StoreFolder(kPlaylistPathKey, chosen.front(), false);
    std::vector<std::unique_ptr<CClipInfo>> records;
    for (const std::string& path : chosen) ReadPlaylistRecords(path, records);
    Append(std::move(records));
}

void CControlCenter::AddFolderDialog() {
    if (!HaveDialogs("CControlCenter::AddFolderDialog")) return;
    if (folderSearch_) {
        Log(LogPoint{"CControlCenter::AddFolderDialog", kLogInfo},
            "A folder is still being added; try again when it is done");
        return;
    }
    std::string folder = StartFolder(kMediaPathKey);
    if (!dialogs_->BrowseForFolder(folder, "Add Folder") || folder.empty()) return;
    StoreFolder(kMediaPathKey, folder, true);
    if (folder.back() != '/') folder += '/';
    folderSearch_ = std::make_unique<FolderSearch>(folder, &context_, this);
}

void CControlCenter::OnFolderSearchDone(
    const std::shared_ptr<std::vector<std::unique_ptr<CClipInfo>>>& records) {
    // Joining the worker first makes everything it wrote into the records visible here.
    folderSearch_.reset();
    Append(std::move(*records));
}

void CControlCenter::OpenPlaylistDialog() {
    if (!HaveDialogs("CControlCenter::OpenPlaylistDialog")) return;
    const std::vector<std::string> chosen =
        dialogs_->GetOpenFileNames(StartFolder(kPlaylistPathKey), PlaylistFilter());
    if (chosen.empty()) return;
    StoreFolder(kPlaylistPathKey, chosen.front(), false);
    std::vector<std::unique_ptr<CClipInfo>> records;
    bool anyRead = false;
    for (const std::string& path : chosen) anyRead |= ReadPlaylistRecords(path, records);
    // Nothing readable: the list stays as it was rather than being lost to a bad file.
    if (!anyRead) return;
    Clear();
    controller_.Stop();
    PlayRowNow(Append(std::move(records)));
}

void CControlCenter::SavePlaylistAsDialog() {
    if (!HaveDialogs("CControlCenter::SavePlaylistAsDialog")) return;
    if (operator_.GetCount() <= 0) {
        dialogs_->ShowMessage("No media file found. Cannot save empty playlist");
        return;
    }
    const std::string path = dialogs_->GetSaveFileName(StartFolder(kPlaylistPathKey), lastSaveName_,
                                                       PlaylistFilter(), "mpl");
    if (path.empty()) return;
    StoreFolder(kPlaylistPathKey, path, false);
    lastSaveName_ = PathParts(path).FileName();
    if (!WritePlaylist(path)) dialogs_->ShowMessage("Cannot save playlist " + path);
}

void CControlCenter::LoadSubtitleDialog() {
    if (!HaveDialogs("CControlCenter::LoadSubtitleDialog")) return;
    const std::vector<std::string> chosen =
        dialogs_->GetOpenFileNames(StartFolder(kSubtitlePathKey), SubtitleFilter());
    if (chosen.empty()) return;
    StoreFolder(kSubtitlePathKey, chosen.front(), false);
    controller_.GetEngine().LoadExternalSubtitle(chosen.front(), true);
}

// ---- discs ----------------------------------------------------------------------------------

void CControlCenter::PlayDisc() {
    static constexpr const char* kWhere = "CControlCenter::PlayDisc";
    IDiscDrives* drives = discDrives_;
    if (!drives) {
        if (!ownDiscDrives_) ownDiscDrives_ = std::make_unique<CLinuxDiscDrives>();
        drives = ownDiscDrives_.get();
    }
    std::string displayName;
    std::vector<std::string> paths;
    DetectDisc(*drives, displayName, paths);
    std::erase_if(paths, IsMenuVob);
    if (paths.empty()) {
        // The playlist stays: an empty one would be saved over the user's at close.
        Log({kWhere, kLogInfo}, "No Video CD, DVD or audio CD found");
        if (dialogs_) dialogs_->ShowMessage("No Video CD, DVD or audio CD found.");
        return;
    }
    std::vector<std::unique_ptr<CClipInfo>> records;
    records.reserve(paths.size());
    for (const std::string& path : paths) records.push_back(IPlaylistAdapter::MakeFileRecord(path));
    // The scanned drives first, so the media layer opens the rows from the drive found here.
    ICdDriveTable::Set(std::make_shared<CDiscDriveTable>(drives->Drives()));
    controller_.Stop();
    Clear();
    PlayRowNow(Append(std::move(records)));
    Log({kWhere, kLogInfo}, "Playing %s: %zu files", displayName.c_str(), paths.size());
}

}  // namespace zvp
