#include "engine/CZoom200.h"

namespace zvp {

const CZoom200& CZoom200::Instance() {
    static const CZoom200* const instance = new CZoom200();  // never freed
    return *instance;
}

}  // namespace zvp
