#include "engine/CEngineStateAborted.h"

#include "engine/CEngineDS.h"

namespace zvp {

const CEngineStateAborted& CEngineStateAborted::Instance() {
    static const CEngineStateAborted* const instance = new CEngineStateAborted();  // never freed
    return *instance;
}

void CEngineStateAborted::TogglePlay(CEngineDS& engine) const {
    engine.Play();
}
void CEngineStateAborted::Pause(CEngineDS& engine) const {}
void CEngineStateAborted::Resume(CEngineDS& engine) const {}
void CEngineStateAborted::Stop(CEngineDS& engine) const {}
void CEngineStateAborted::Abort(CEngineDS& engine) const {}

}  // namespace zvp
