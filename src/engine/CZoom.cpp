#include "engine/CZoom.h"

#include "engine/IPictureRatio.h"
#include "engine/PictureRatio.h"

namespace zvp {

void CZoom::FitDisplayRect(VideoSize source, VideoSize area, VideoRect& rect) const {
    if (const IAspectRatio* aspectRatio = CurrentAspectRatio()) {
        rect = aspectRatio->GetDisplayRect(source, area);
    }
}

}  // namespace zvp
