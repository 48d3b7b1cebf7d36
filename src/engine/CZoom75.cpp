#include "engine/CZoom75.h"

namespace zvp {

const CZoom75& CZoom75::Instance() {
    static const CZoom75* const instance = new CZoom75();  // never freed
    return *instance;
}

}  // namespace zvp
