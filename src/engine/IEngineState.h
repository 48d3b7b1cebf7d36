#pragma once

#include <string>

namespace zvp {

class CEngineDS;

// What a user command becomes in one playback state. Each implementation is a stateless
// process-wide singleton (created on first use, never destroyed); the controller keeps a
// pointer to the current one. UI thread only.
class IEngineState {
  public:
    virtual std::string GetName() const = 0;
    virtual void TogglePlay(CEngineDS& engine) const = 0;
    virtual void Pause(CEngineDS& engine) const = 0;
    virtual void Resume(CEngineDS& engine) const = 0;
    virtual void Stop(CEngineDS& engine) const = 0;
    virtual void Abort(CEngineDS& engine) const = 0;

  protected:
    ~IEngineState() = default;  // singletons are never destroyed through the interface
};

}  // namespace zvp
