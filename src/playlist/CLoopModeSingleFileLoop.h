#pragma once

#include "playlist/ILoopMode.h"

namespace zvp {

// Plays the current row again and again: every move keeps the cursor, previous and next always
// allowed. Settings name "single_file_loop". A process-wide singleton, never destroyed; UI thread
// only.
class CLoopModeSingleFileLoop : public ILoopMode {
  public:
    static const CLoopModeSingleFileLoop& Instance();

    const char* GetName() const override { return "single_file_loop"; }
    CClipInfo* First(CPlaylistOperator& op) const override;
    CClipInfo* Last(CPlaylistOperator& op) const override;
    CClipInfo* Previous(CPlaylistOperator& op) const override;
    CClipInfo* Next(CPlaylistOperator& op) const override;
    bool HasPrevious(CPlaylistOperator& op) const override;
    bool HasNext(CPlaylistOperator& op) const override;

  private:
    CLoopModeSingleFileLoop() = default;
};

}  // namespace zvp
