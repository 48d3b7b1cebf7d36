#pragma once

#include <cstdint>

namespace zvp {

class CClipInfo;

// Playback of one file at a time: what the controller asks of an engine. Positions are in
// seconds. UI thread only.
class IPlayback {
  public:
    virtual bool Load(CClipInfo* clip) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Stop() = 0;
    virtual void SetPosition(double seconds) = 0;
    virtual double GetPosition() = 0;
    virtual void SetMute(bool mute) = 0;
    virtual bool IsMuted() = 0;
    virtual void SetVolume(int32_t volume) = 0;
    virtual int32_t GetVolume() = 0;
    virtual ~IPlayback() = default;
};

}  // namespace zvp
