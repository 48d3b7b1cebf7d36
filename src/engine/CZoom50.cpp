#include "engine/CZoom50.h"

namespace zvp {

const CZoom50& CZoom50::Instance() {
    static const CZoom50* const instance = new CZoom50();  // never freed
    return *instance;
}

}  // namespace zvp
