#pragma once

#include "playlist/CLoopModeSingleFileOnce.h"

namespace zvp {

// Plays the current row again and again: the moves of CLoopModeSingleFileOnce keep the cursor;
// previous and next always allowed. Settings name "single_file_loop". A process-wide
// singleton, never destroyed; UI thread only.
class CLoopModeSingleFileLoop : public CLoopModeSingleFileOnce {
  public:
    static const CLoopModeSingleFileLoop& Instance();

    const char* GetName() const override { return "single_file_loop"; }
    bool HasPrevious(CPlaylistOperator& op) const override { return true; }
    bool HasNext(CPlaylistOperator& op) const override { return true; }

  private:
    CLoopModeSingleFileLoop() = default;
};

}  // namespace zvp
