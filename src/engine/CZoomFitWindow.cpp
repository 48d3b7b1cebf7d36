#include "engine/CZoomFitWindow.h"

namespace zvp {

const CZoomFitWindow& CZoomFitWindow::Instance() {
    static const CZoomFitWindow* const instance = new CZoomFitWindow();  // never freed
    return *instance;
}

void CZoomFitWindow::CalcArea(VideoSize minArea, VideoSize source, VideoSize& area,
                              VideoRect& rect) const {
    area = minArea;
    FitDisplayRect(source, minArea, rect);
}

}  // namespace zvp
