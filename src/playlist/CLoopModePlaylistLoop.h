#pragma once

#include "playlist/CLoopModePlaylistOnce.h"

namespace zvp {

// Plays the rows in order and wraps at both ends (the moves of CLoopModePlaylistOnce); previous
// and next always allowed. Settings name "playlist_loop". A process-wide singleton, never
// destroyed; UI thread only.
class CLoopModePlaylistLoop : public CLoopModePlaylistOnce {
  public:
    static const CLoopModePlaylistLoop& Instance();

    const char* GetName() const override { return "playlist_loop"; }
    bool HasPrevious(CPlaylistOperator& op) const override { return true; }
    bool HasNext(CPlaylistOperator& op) const override { return true; }

  private:
    CLoopModePlaylistLoop() = default;
};

}  // namespace zvp
