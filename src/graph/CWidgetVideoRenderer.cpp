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
    store_->Present(Format(), pSample->Data(), pSample->GetActualDataLength());
    return S_OK;
}

void CWidgetVideoRenderer::OnReceiveFirstSample(IMediaSample* pSample) {
    store_->Present(Format(), pSample->Data(), pSample->GetActualDataLength());
}

}  // namespace zvp
