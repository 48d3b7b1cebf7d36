#pragma once

namespace zvp {

class CClipInfo;
class CPlaylistOperator;

// How the playlist's cursor moves: a stateless strategy, one singleton per mode. Each move
// works on the operator's adapter and returns the record of the (new) current row. The
// operator calls a move only with at least one row, and (except First and Last) with a
// current index other than −1.
//
// Threads: UI thread only; no locks.
class ILoopMode {
  public:
    // The settings name; the characters live as long as the process.
    virtual const char* GetName() const = 0;
    // The record of the current row (null when none); the same for every mode.
    virtual CClipInfo* GetCurrentItem(CPlaylistOperator& op) const;
    virtual CClipInfo* First(CPlaylistOperator& op) const = 0;
    virtual CClipInfo* Last(CPlaylistOperator& op) const = 0;
    virtual CClipInfo* Previous(CPlaylistOperator& op) const = 0;
    virtual CClipInfo* Next(CPlaylistOperator& op) const = 0;
    virtual bool HasPrevious(CPlaylistOperator& op) const = 0;
    virtual bool HasNext(CPlaylistOperator& op) const = 0;
    virtual ~ILoopMode() = default;
};

}  // namespace zvp
