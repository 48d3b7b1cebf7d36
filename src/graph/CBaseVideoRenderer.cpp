#include "graph/CBaseVideoRenderer.h"

#include <cstdlib>

#include "graph/CRendererInputPin.h"

namespace zvp {

CBaseVideoRenderer::CBaseVideoRenderer(const char* pName, HRESULT* phr)
    : CBaseRenderer(pName, phr) {}

bool CBaseVideoRenderer::ParseVideoType(const CMediaType* pmt, VideoFormat* out) {
    if (!pmt || pmt->majortype != MEDIATYPE_Video || pmt->formattype != FORMAT_VideoInfo ||
        !pmt->bFixedSizeSamples)
        return false;
    if (pmt->subtype != MEDIASUBTYPE_YV12 && pmt->subtype != MEDIASUBTYPE_RGB24) return false;
    const VIDEOINFOHEADER* vih = pmt->VideoInfo();
    if (!vih) return false;
    int width = vih->bmiHeader.biWidth;
    int height = std::abs(vih->bmiHeader.biHeight);
    // Bounded so that the picture arithmetic cannot overflow.
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    if (pmt->subtype == MEDIASUBTYPE_YV12 && (width % 2 != 0 || height % 2 != 0)) return false;
    uint32_t size = CMediaType::ImageSize(pmt->subtype, width, height);
    if (pmt->lSampleSize != 0 && pmt->lSampleSize < size) return false;
    if (out) *out = VideoFormat{pmt->subtype, width, height, size, pmt->colour.Resolved(height)};
    return true;
}

HRESULT CBaseVideoRenderer::CheckMediaType(const CMediaType* pmt) {
    if (!pmt) return E_POINTER;
    return ParseVideoType(pmt, nullptr) ? S_OK : E_INVALIDARG;
}

HRESULT CBaseVideoRenderer::SetMediaType(const CMediaType* pmt) {
    VideoFormat f;
    if (!ParseVideoType(pmt, &f)) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(formatLock_);
    format_ = f;
    return S_OK;
}

HRESULT CBaseVideoRenderer::GetVideoSize(long* pWidth, long* pHeight) {
    if (!pWidth || !pHeight) return E_POINTER;
    if (!m_pInputPin->IsConnected()) return VFW_E_NOT_CONNECTED;
    std::lock_guard<std::mutex> lock(formatLock_);
    *pWidth = format_.width;
    *pHeight = format_.height;
    return S_OK;
}

VideoFormat CBaseVideoRenderer::Format() const {
    std::lock_guard<std::mutex> lock(formatLock_);
    return format_;
}

}  // namespace zvp
