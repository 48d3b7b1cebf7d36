#include "engine/CEngineStatePlaying.h"

#include "engine/CEngineDS.h"

namespace zvp {

const CEngineStatePlaying& CEngineStatePlaying::Instance() {
    static const CEngineStatePlaying* const instance = new CEngineStatePlaying();  // never freed
    return *instance;
}

void CEngineStatePlaying::TogglePlay(CEngineDS& engine) const {
    engine.Pause();
}
void CEngineStatePlaying::Pause(CEngineDS& engine) const {
    engine.Pause();
}
void CEngineStatePlaying::Resume(CEngineDS& engine) const {}
void CEngineStatePlaying::Stop(CEngineDS& engine) const {
    engine.Stop();
}
void CEngineStatePlaying::Abort(CEngineDS& engine) const {
    engine.Abort();
}

}  // namespace zvp
