#pragma once

#include "playlist/ILoopMode.h"

namespace zvp {

// Previous and Next each draw a row uniformly with PlaylistRandom (the current row may come
// again at once; no history); First and Last keep the cursor.
// Settings name "playlist_shuffle". A process-wide singleton, never destroyed; UI thread only.
class CLoopModePlaylistShuffle : public ILoopMode {
  public:
    static const CLoopModePlaylistShuffle& Instance();

    const char* GetName() const override { return "playlist_shuffle"; }
    CClipInfo* First(CPlaylistOperator& op) const override;
    CClipInfo* Last(CPlaylistOperator& op) const override;
    CClipInfo* Previous(CPlaylistOperator& op) const override;
    CClipInfo* Next(CPlaylistOperator& op) const override;
    bool HasPrevious(CPlaylistOperator& op) const override;
    bool HasNext(CPlaylistOperator& op) const override;

  private:
    CLoopModePlaylistShuffle() = default;
};

}  // namespace zvp
