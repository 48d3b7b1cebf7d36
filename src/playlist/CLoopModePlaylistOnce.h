#pragma once

#include "playlist/ILoopMode.h"

namespace zvp {

// Plays the rows in order and stops after the last: previous only after the first row, next only
// before the last; Previous and Next wrap when called anyway. Settings name "playlist_no_loop". A
// process-wide singleton, never destroyed; UI thread only.
class CLoopModePlaylistOnce : public ILoopMode {
  public:
    static const CLoopModePlaylistOnce& Instance();

    const char* GetName() const override { return "playlist_no_loop"; }
    CClipInfo* First(CPlaylistOperator& op) const override;
    CClipInfo* Last(CPlaylistOperator& op) const override;
    CClipInfo* Previous(CPlaylistOperator& op) const override;
    CClipInfo* Next(CPlaylistOperator& op) const override;
    bool HasPrevious(CPlaylistOperator& op) const override;
    bool HasNext(CPlaylistOperator& op) const override;

  protected:
    CLoopModePlaylistOnce() = default;
};

}  // namespace zvp
