#include "engine/PictureRatio.h"

#include <array>

#include "engine/AsciiCase.h"
#include "engine/CPictureRatioDistort.h"
#include "engine/CPictureRatioFit16_9.h"
#include "engine/CPictureRatioFit4_3.h"
#include "engine/CPictureRatioFitCustom.h"
#include "engine/CPictureRatioFitSource.h"

namespace zvp {

namespace {

const IAspectRatio* g_current = nullptr;  // UI thread only

}  // namespace

const IAspectRatio& AspectRatioByName(std::string_view name) {
    const std::array<const IAspectRatio*, 5> kinds = {
        &CAspectRatioDistort::Instance(),   &CAspectRatioFitSource::Instance(),
        &CAspectRatioFit4_3::Instance(),    &CAspectRatioFit16_9::Instance(),
        &CAspectRatioFitCustom::Instance(),
    };
    for (const IAspectRatio* kind : kinds) {
        if (EqualsIgnoringAsciiCase(name, kind->GetName())) return *kind;
    }
    return CAspectRatioFitSource::Instance();
}

const IAspectRatio* CurrentAspectRatio() {
    return g_current;
}

void SetCurrentAspectRatio(const IAspectRatio* aspectRatio) {
    g_current = aspectRatio;
}

}  // namespace zvp
