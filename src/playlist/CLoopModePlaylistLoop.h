#pragma once

#include "playlist/ILoopMode.h"

namespace zvp {

// Plays the rows in order and wraps at both ends; previous and next always allowed.
// Settings name "playlist_loop". A process-wide singleton, never destroyed; UI thread only.
class CLoopModePlaylistLoop : public ILoopMode {
  public:
    static const CLoopModePlaylistLoop& Instance();

    const char* GetName() const override { return "playlist_loop"; }
    CClipInfo* First(CPlaylistOperator& op) const override;
    CClipInfo* Last(CPlaylistOperator& op) const override;
    CClipInfo* Previous(CPlaylistOperator& op) const override;
    CClipInfo* Next(CPlaylistOperator& op) const override;
    bool HasPrevious(CPlaylistOperator& op) const override;
    bool HasNext(CPlaylistOperator& op) const override;

  private:
    CLoopModePlaylistLoop() = default;
};

}  // namespace zvp
