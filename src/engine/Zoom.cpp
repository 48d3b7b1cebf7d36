#include "engine/Zoom.h"

#include <array>

#include "engine/AsciiCase.h"
#include "engine/CZoom100.h"
#include "engine/CZoom125.h"
#include "engine/CZoom150.h"
#include "engine/CZoom200.h"
#include "engine/CZoom50.h"
#include "engine/CZoom75.h"
#include "engine/CZoomFitWindow.h"

namespace zvp {

const IZoom& ZoomByName(std::string_view name) {
    const std::array<const IZoom*, 7> kinds = {
        &CZoomFitWindow::Instance(), &CZoom50::Instance(),  &CZoom75::Instance(),
        &CZoom100::Instance(),       &CZoom125::Instance(), &CZoom150::Instance(),
        &CZoom200::Instance(),
    };
    for (const IZoom* kind : kinds) {
        if (EqualsIgnoringAsciiCase(name, kind->GetName())) return *kind;
    }
    return CZoomFitWindow::Instance();
}

}  // namespace zvp
