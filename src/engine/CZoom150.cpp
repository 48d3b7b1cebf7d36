#include "engine/CZoom150.h"

namespace zvp {

const CZoom150& CZoom150::Instance() {
    static const CZoom150* const instance = new CZoom150();  // never freed
    return *instance;
}

}  // namespace zvp
