#include "graph/CSystemClock.h"

namespace zvp {

HRESULT CSystemClock::GetTime(REFERENCE_TIME* pTime) {
    if (!pTime) return E_POINTER;
    auto elapsed = std::chrono::steady_clock::now() - origin_;
    *pTime = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 100;
    return S_OK;
}

}  // namespace zvp
