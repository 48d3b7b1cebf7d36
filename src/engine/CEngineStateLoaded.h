#pragma once

#include "engine/IEngineState.h"

namespace zvp {

// State "Loaded". A file is loaded and not yet played: TogglePlay plays it; nothing else acts.
class CEngineStateLoaded final : public IEngineState {
  public:
    static const CEngineStateLoaded& Instance();

    std::string GetName() const override { return "Loaded"; }
    void TogglePlay(CEngineDS& engine) const override;
    void Pause(CEngineDS& engine) const override;
    void Resume(CEngineDS& engine) const override;
    void Stop(CEngineDS& engine) const override;
    void Abort(CEngineDS& engine) const override;

  private:
    CEngineStateLoaded() = default;
};

}  // namespace zvp
