#include "engine/CEngineStatePaused.h"

#include "engine/CEngineDS.h"

namespace zvp {

const CEngineStatePaused& CEngineStatePaused::Instance() {
    static const CEngineStatePaused* const instance = new CEngineStatePaused();  // never freed
    return *instance;
}

void CEngineStatePaused::TogglePlay(CEngineDS& engine) const {
    engine.Play();
}
void CEngineStatePaused::Pause(CEngineDS& engine) const {}
void CEngineStatePaused::Resume(CEngineDS& engine) const {
    engine.Play();
}
void CEngineStatePaused::Stop(CEngineDS& engine) const {
    engine.Stop();
}
void CEngineStatePaused::Abort(CEngineDS& engine) const {
    engine.Abort();
}

}  // namespace zvp
