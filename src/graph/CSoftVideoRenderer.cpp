#include "graph/CSoftVideoRenderer.h"

#include "graph/CSoftVideoWidget.h"

namespace zvp {

CSoftVideoRenderer::CSoftVideoRenderer(HRESULT* phr)
    : CWidgetVideoRenderer("Video Renderer", phr) {}

QWidget* CSoftVideoRenderer::CreateWidget(std::shared_ptr<CVideoFrameStore> store) {
    return new CSoftVideoWidget(std::move(store));
}

}  // namespace zvp
