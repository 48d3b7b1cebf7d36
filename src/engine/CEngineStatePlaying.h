#pragma once

#include "engine/IEngineState.h"

namespace zvp {

// State "Playing". TogglePlay and Pause pause, Stop stops, Abort rewinds and keeps the file.
class CEngineStatePlaying final : public IEngineState {
  public:
    static const CEngineStatePlaying& Instance();

    std::string GetName() const override { return "Playing"; }
    void TogglePlay(CEngineDS& engine) const override;
    void Pause(CEngineDS& engine) const override;
    void Resume(CEngineDS& engine) const override;
    void Stop(CEngineDS& engine) const override;
    void Abort(CEngineDS& engine) const override;

  private:
    CEngineStatePlaying() = default;
};

}  // namespace zvp
