#include "media/CVelloVideoStream.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "app/Logger.h"
#include "media/CVelloSource.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace zvp {

CVelloVideoStream::CVelloVideoStream(HRESULT* phr, CVelloSource* pSource)
    : CSeekableStream("CVelloVideoStream", phr, pSource, "Video") {}

HRESULT CVelloVideoStream::GetMediaType(int iPosition, CMediaType* pMediaType) {
    if (!pMediaType) return E_POINTER;
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition >= 2) return VFW_S_NO_MORE_ITEMS;
    CPlaybackInfo* info = m_pSource->GetPlaybackInfo();
    const SubType subtype = iPosition == 0 ? MEDIASUBTYPE_YV12 : MEDIASUBTYPE_RGB24;
    if (!pMediaType->InitVideo(subtype, info->VideoWidth(), info->VideoHeight())) return E_FAIL;
    if (subtype == MEDIASUBTYPE_YV12) {
        std::lock_guard lock(info->GetLock());
        if (const AVCodecContext* codec = info->GetCodecContext(AVMEDIA_TYPE_VIDEO))
            pMediaType->SetColour(CVideoScaler::CodecColour(*codec));
    }
    m_ProposedSubtype = subtype;
    return S_OK;
}

HRESULT CVelloVideoStream::CheckMediaType(const CMediaType* pMediaType) {
    if (!pMediaType) return E_POINTER;
    if (pMediaType->Type() != MEDIATYPE_Video || pMediaType->GetFormatType() != FORMAT_VideoInfo ||
        !pMediaType->IsFixedSize() || !pMediaType->VideoInfo())
        return E_INVALIDARG;
    const SubType subtype = pMediaType->Subtype();
    if (subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_YV12) return S_OK;
    return E_INVALIDARG;
}

HRESULT CVelloVideoStream::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
    if (!pAlloc || !pRequest) return E_POINTER;
    CPlaybackInfo* info = m_pSource->GetPlaybackInfo();
    const int width = info->VideoWidth();
    const int height = info->VideoHeight();
    // The connection's type is the one proposed last.
    const SubType subtype = m_mt.IsValid() ? m_mt.Subtype() : m_ProposedSubtype;
    ALLOCATOR_PROPERTIES request = *pRequest;
    request.cBuffers = 1;
    request.cbBuffer = subtype == MEDIASUBTYPE_RGB24
                           ? long(CMediaType::Rgb24Stride(width)) * height
                           : av_image_get_buffer_size(AV_PIX_FMT_YUV420P, width, height, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = pAlloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cbBuffer < request.cbBuffer || actual.cBuffers < 1) return E_FAIL;
    SetDurationFromMedia();
    m_Decoder.Reset();
    m_bOutputTypeSet = false;
    return S_OK;
}

HRESULT CVelloVideoStream::OnSeekBegin() {
    CSeekableStream::OnSeekBegin();
    m_Decoder.Reset();
    return S_OK;
}

HRESULT CVelloVideoStream::OnThreadStartPlay() {
    m_bEndReached = false;
    return CSeekableStream::OnThreadStartPlay();
}

HRESULT CVelloVideoStream::PrepareSample() {
    if (m_bEndReached) return S_OK;
    CVelloVideoDecoder::Result result;
    for (;;) {
        if (m_Decoder.DecodePicture(m_pSource, result)) {
            if (result.picture) return S_OK;
            continue;
        }
        if (result.interrupted) return kFillInterrupted;
        m_bEndReached = true;
        return S_OK;
    }
}

HRESULT CVelloVideoStream::FillBuffer(IMediaSample* pSample) {
    BYTE* buffer = nullptr;
    HRESULT hr = pSample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    if (m_bEndReached) {
        Log({"CVelloVideoStream::FillBuffer", kLogInfo}, "DeliverEndOfStream.");
        return S_FALSE;
    }
    if (!m_bOutputTypeSet) {
        m_OutputType = m_mt;
        m_bOutputTypeSet = true;
    }
    if (const CMediaType* changed = pSample->GetMediaType()) m_OutputType = *changed;
    const bool rgb = m_OutputType.Subtype() == MEDIASUBTYPE_RGB24;

    // A renderer that reads lent frames gets the decoder's picture without a copy when it
    // needs no conversion; only the rows a subtitle draws on are copied.
    const CBasePin* peer = GetConnected();
    CVelloVideoDecoder::Lent lent;
    CVelloVideoDecoder::Lent* lend = peer && peer->TakesFramePlanes() ? &lent : nullptr;
    CVelloVideoDecoder::Result result;
    for (;;) {
        if (m_Decoder.DecodeFrameToBuffer(m_pSource, m_OutputType, buffer, pSample->GetSize(),
                                          result, rgb, lend)) {
            if (result.picture) break;
            continue;
        }
        if (result.interrupted) return kFillInterrupted;
        // No picture is left: the processing loop delivers end of stream once.
        Log({"CVelloVideoStream::FillBuffer", kLogInfo}, "DeliverEndOfStream.");
        return S_FALSE;
    }
    pSample->SetActualDataLength(long(std::min<uint32_t>(
        m_OutputType.GetSampleSize() ? m_OutputType.GetSampleSize() : uint32_t(pSample->GetSize()),
        uint32_t(pSample->GetSize()))));
    if (TakeDiscontinuity()) pSample->SetDiscontinuity(true);
    if (lent.frame) {
        pSample->LendFrame(std::move(lent.frame));
        pSample->SetLentBand(lent.band);
    }

    REFERENCE_TIME duration = result.duration;
    if (duration <= 0) duration = m_pSource->GetPlaybackInfo()->DefaultFrameDuration();
    REFERENCE_TIME start = result.start == AV_NOPTS_VALUE
                               ? 0
                               : TimeDifference(result.start, m_pSource->GetFirstAudioTime());
    REFERENCE_TIME stop = TimeSum(start, duration);
    pSample->SetTime(&start, &stop);
    pSample->SetMediaTime(nullptr, nullptr);
    pSample->SetSyncPoint(true);
    {
        CAutoLock lock(&m_cSharedState);
        m_rtSampleTime = stop;
    }
    return S_OK;
}

}  // namespace zvp
