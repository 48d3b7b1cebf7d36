#include "engine/CPictureRatioFit4_3.h"

namespace zvp {

const CAspectRatioFit4_3& CAspectRatioFit4_3::Instance() {
    static const CAspectRatioFit4_3* const instance = new CAspectRatioFit4_3();  // never freed
    return *instance;
}

}  // namespace zvp
