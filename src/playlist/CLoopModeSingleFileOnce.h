#pragma once

#include "playlist/ILoopMode.h"

namespace zvp {

// Plays the current row once: no previous, no next; every move keeps the cursor.
// Settings name "single_file_no_loop". A process-wide singleton, never destroyed; UI thread only.
class CLoopModeSingleFileOnce : public ILoopMode {
  public:
    static const CLoopModeSingleFileOnce& Instance();

    const char* GetName() const override { return "single_file_no_loop"; }
    CClipInfo* First(CPlaylistOperator& op) const override;
    CClipInfo* Last(CPlaylistOperator& op) const override;
    CClipInfo* Previous(CPlaylistOperator& op) const override;
    CClipInfo* Next(CPlaylistOperator& op) const override;
    bool HasPrevious(CPlaylistOperator& op) const override;
    bool HasNext(CPlaylistOperator& op) const override;

  protected:
    CLoopModeSingleFileOnce() = default;
};

}  // namespace zvp
