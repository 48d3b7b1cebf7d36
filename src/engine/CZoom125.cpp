#include "engine/CZoom125.h"

namespace zvp {

const CZoom125& CZoom125::Instance() {
    static const CZoom125* const instance = new CZoom125();  // never freed
    return *instance;
}

}  // namespace zvp
