#include "engine/CZoom100.h"

namespace zvp {

const CZoom100& CZoom100::Instance() {
    static const CZoom100* const instance = new CZoom100();  // never freed
    return *instance;
}

}  // namespace zvp
