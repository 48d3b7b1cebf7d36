#pragma once

#include "engine/IEngineState.h"

namespace zvp {

// State "Aborted". Rewound after an abort, the graph kept: TogglePlay plays from the start;
// nothing else acts.
class CEngineStateAborted final : public IEngineState {
  public:
    static const CEngineStateAborted& Instance();

    std::string GetName() const override { return "Aborted"; }
    void TogglePlay(CEngineDS& engine) const override;
    void Pause(CEngineDS& engine) const override;
    void Resume(CEngineDS& engine) const override;
    void Stop(CEngineDS& engine) const override;
    void Abort(CEngineDS& engine) const override;

  private:
    CEngineStateAborted() = default;
};

}  // namespace zvp
