#include "graph/CWidgetVideoRenderer.h"

namespace zvp {

CWidgetVideoRenderer::CWidgetVideoRenderer(const char* pName, HRESULT* phr)
    : CBaseVideoRenderer(pName, phr) {}

CWidgetVideoRenderer::~CWidgetVideoRenderer() {
    delete widget_.data();
}

QWidget* CWidgetVideoRenderer::GetVideoWidget() {
    if (!widget_) widget_ = CreateWidget(store_);
    return widget_.data();
}

HRESULT CWidgetVideoRenderer::DoRenderSample(IMediaSample* pSample) {
    store_->PresentSample(Format(), *pSample);
    return S_OK;
}

void CWidgetVideoRenderer::OnReceiveFirstSample(IMediaSample* pSample) {
    store_->PresentSample(Format(), *pSample);
}

}  // namespace zvp
