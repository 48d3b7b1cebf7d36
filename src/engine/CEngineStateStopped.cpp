#include "engine/CEngineStateStopped.h"

#include "engine/CEngineDS.h"

namespace zvp {

const CEngineStateStopped& CEngineStateStopped::Instance() {
    static const CEngineStateStopped* const instance = new CEngineStateStopped();  // never freed
    return *instance;
}

void CEngineStateStopped::TogglePlay(CEngineDS& engine) const {
    engine.Play();
}
void CEngineStateStopped::Pause(CEngineDS& engine) const {}
void CEngineStateStopped::Resume(CEngineDS& engine) const {}
void CEngineStateStopped::Stop(CEngineDS& engine) const {}
void CEngineStateStopped::Abort(CEngineDS& engine) const {}

}  // namespace zvp
