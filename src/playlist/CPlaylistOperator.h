#pragma once

#include <string>

#include "app/ISubject.h"
#include "app/ObserverHandlers.h"

namespace zvp {

class CClipInfo;
class ILoopMode;
class IPlaylistAdapter;

// Moves the playlist's cursor through the installed loop mode. The cursor operations below
// run only when the list has rows; otherwise they return false/null and change nothing. The
// prepare step (HasItems, HasPrevious, HasNext, CurrentItem) installs playlist loop when no
// mode is installed, makes row 0 current when the current index is −1 and scrolls the current
// row into view. MovePrevious/MoveNext run only when HasPrevious/HasNext; MoveFirst/MoveLast
// skip the prepare step.
//
// Publishes "LoopModeChanged" (the mode name's characters, valid for the whole run; the
// ILoopMode singleton) and forwards the adapter's "ListItemActived" with its two parameters.
//
// Life: the adapter (not owned) must outlive the operator, which detaches from it when
// destroyed. Threads: UI thread only; no locks.
class CPlaylistOperator : public Observer<CPlaylistOperator>, public ISubject {
  public:
    CPlaylistOperator() = default;
    ~CPlaylistOperator() override;
    CPlaylistOperator(const CPlaylistOperator&) = delete;
    CPlaylistOperator& operator=(const CPlaylistOperator&) = delete;

    // Stores `adapter`, installs "playlist_loop" and subscribes to its "ListItemActived".
    void Initialize(IPlaylistAdapter* adapter);
    // Installs LoopModeFromName(name) and publishes "LoopModeChanged".
    void SetLoopMode(const std::string& name);

    IPlaylistAdapter* GetAdapter() const { return adapter_; }
    const ILoopMode* GetLoopMode() const { return mode_; }
    // "" before a mode is installed.
    std::string GetLoopModeName() const;
    int GetCount() const;
    // The adapter's; true without one.
    bool AllItemsFailed() const;

    bool HasItems();
    bool HasPrevious();
    bool HasNext();
    CClipInfo* MovePrevious();
    CClipInfo* MoveNext();
    CClipInfo* MoveFirst();
    CClipInfo* MoveLast();
    CClipInfo* CurrentItem();

    // The adapter's Sort; nothing without an adapter.
    void Sort(int commandId);

  private:
    void Prepare();
    void OnListItemActived(ISubject* subject, EventArg arg1, EventArg arg2);

    IPlaylistAdapter* adapter_ = nullptr;  // not owned; null until Initialize
    const ILoopMode* mode_ = nullptr;      // a singleton; null until Initialize
};

}  // namespace zvp
