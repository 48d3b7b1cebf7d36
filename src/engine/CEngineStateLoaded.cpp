#include "engine/CEngineStateLoaded.h"

#include "engine/CEngineDS.h"

namespace zvp {

const CEngineStateLoaded& CEngineStateLoaded::Instance() {
    static const CEngineStateLoaded* const instance = new CEngineStateLoaded();  // never freed
    return *instance;
}

void CEngineStateLoaded::TogglePlay(CEngineDS& engine) const {
    engine.Play();
}
void CEngineStateLoaded::Pause(CEngineDS& engine) const {}
void CEngineStateLoaded::Resume(CEngineDS& engine) const {}
void CEngineStateLoaded::Stop(CEngineDS& engine) const {}
void CEngineStateLoaded::Abort(CEngineDS& engine) const {}

}  // namespace zvp
