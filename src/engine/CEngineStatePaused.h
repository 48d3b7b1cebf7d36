#pragma once

#include "engine/IEngineState.h"

namespace zvp {

// State "Paused". TogglePlay and Resume play on, Stop stops, Abort rewinds and keeps the
// file.
class CEngineStatePaused final : public IEngineState {
  public:
    static const CEngineStatePaused& Instance();

    std::string GetName() const override { return "Paused"; }
    void TogglePlay(CEngineDS& engine) const override;
    void Pause(CEngineDS& engine) const override;
    void Resume(CEngineDS& engine) const override;
    void Stop(CEngineDS& engine) const override;
    void Abort(CEngineDS& engine) const override;

  private:
    CEngineStatePaused() = default;
};

}  // namespace zvp
