#include "engine/CPictureRatioFit16_9.h"

namespace zvp {

const CAspectRatioFit16_9& CAspectRatioFit16_9::Instance() {
    static const CAspectRatioFit16_9* const instance = new CAspectRatioFit16_9();  // never freed
    return *instance;
}

}  // namespace zvp
