#pragma once

#include "engine/IEngineState.h"

namespace zvp {

// State "Stopped". No file is loaded (or the last one was stopped): only TogglePlay acts,
// calling Play, which does nothing until a new Load has built a graph.
class CEngineStateStopped final : public IEngineState {
  public:
    static const CEngineStateStopped& Instance();

    std::string GetName() const override { return "Stopped"; }
    void TogglePlay(CEngineDS& engine) const override;
    void Pause(CEngineDS& engine) const override;
    void Resume(CEngineDS& engine) const override;
    void Stop(CEngineDS& engine) const override;
    void Abort(CEngineDS& engine) const override;

  private:
    CEngineStateStopped() = default;
};

}  // namespace zvp
