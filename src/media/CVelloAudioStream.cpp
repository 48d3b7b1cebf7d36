#include "media/CVelloAudioStream.h"

#include "app/Logger.h"
#include "media/CVelloSource.h"

namespace zvp {

CVelloAudioStream::CVelloAudioStream(HRESULT* phr, CVelloSource* pSource)
    : CSeekableStream("CVelloAudioStream", phr, pSource, "Audio") {}

bool CVelloAudioStream::BuildType(CMediaType* pMediaType) {
    if (IsConnected()) {
        // A later track of another format is converted to this one.
        *pMediaType = CurrentMediaType();
        return true;
    }
    CPlaybackInfo* info = m_pSource->GetPlaybackInfo();
    std::lock_guard lock(info->GetLock());
    const AudioConversion& conv = info->GetAudioConversion();
    return pMediaType->InitAudioPcm(conv.dstChannels, conv.dstRate);
}

HRESULT CVelloAudioStream::GetMediaType(int iPosition, CMediaType* pMediaType) {
    if (!pMediaType) return E_POINTER;
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition >= 1) return VFW_S_NO_MORE_ITEMS;
    return BuildType(pMediaType) ? S_OK : E_FAIL;
}

HRESULT CVelloAudioStream::CheckMediaType(const CMediaType* pMediaType) {
    if (!pMediaType) return E_POINTER;
    CAutoLock lock(m_pFilter->pStateLock());
    CMediaType mine;
    if (!BuildType(&mine)) return E_FAIL;
    if (mine.Type() == pMediaType->Type() && mine.Subtype() == pMediaType->Subtype() &&
        mine.GetFormatType() == pMediaType->GetFormatType())
        return S_OK;
    return E_FAIL;
}

HRESULT CVelloAudioStream::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
    if (!pAlloc || !pRequest) return E_POINTER;
    ALLOCATOR_PROPERTIES request = *pRequest;
    request.cBuffers = 1;
    request.cbBuffer = kBufferBytes;
    request.cbAlign = 1;
    request.cbPrefix = 0;
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = pAlloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < 1 || actual.cbBuffer < kBufferBytes) return E_FAIL;
    SetDurationFromMedia();
    return S_OK;
}

HRESULT CVelloAudioStream::OnThreadCreate() {
    m_Decoder.SetSource(m_pSource);
    if (const WAVEFORMATEX* format = CurrentMediaType().WaveFormat())
        m_Decoder.SetOutputFormat(format->nChannels, static_cast<int>(format->nSamplesPerSec));
    return CSeekableStream::OnThreadCreate();
}

HRESULT CVelloAudioStream::OnThreadDestroy() {
    CAutoLock lock(&m_cSharedState);
    m_rtSampleTime = 0;
    return S_OK;
}

HRESULT CVelloAudioStream::OnSeekBegin() {
    CSeekableStream::OnSeekBegin();
    m_Decoder.Reset();
    return S_OK;
}

HRESULT CVelloAudioStream::FillBuffer(IMediaSample* pSample) {
    static constexpr const char* kWhere = "CVelloAudioStream::FillBuffer";
    BYTE* buffer = nullptr;
    HRESULT hr = pSample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    if (m_bEndPending) {
        // The last, partly filled sample went out before; now the end of the stream.
        m_bEndPending = false;
        Log({kWhere, kLogInfo}, "%s: DeliverEndOfStream.", m_pName.c_str());
        return S_FALSE;
    }
    long length = CVelloAudioDecoder::kFillBytes;
    int64_t start = 0;
    int64_t next = 0;
    bool interrupted = false;
    if (!m_Decoder.FillAudioBuffer(buffer, length, pSample->GetSize(), start, next, interrupted)) {
        if (interrupted) return kFillInterrupted;
        if (length <= 0) {
            Log({kWhere, kLogInfo}, "%s: DeliverEndOfStream.", m_pName.c_str());
            return S_FALSE;
        }
        // The gathered bytes are delivered first; end of stream follows with the next call
        // (end of stream first would make the renderer refuse them).
        m_bEndPending = true;
    }
    pSample->SetActualDataLength(length);
    pSample->SetSyncPoint(true);
    if (TakeDiscontinuity()) pSample->SetDiscontinuity(true);
    pSample->SetMediaTime(nullptr, nullptr);
    // A packet without a time stamp plays at the stream's start time (it is past by then).
    REFERENCE_TIME sampleStart =
        start == AV_NOPTS_VALUE ? 0 : TimeDifference(start, m_pSource->GetFirstAudioTime());
    REFERENCE_TIME sampleStop = kMaxReferenceTime;
    if (m_pSource->GetPlaybackInfo()->IsRealMedia()) {
        pSample->SetTime(&sampleStart, &sampleStop);
    } else {
        pSample->SetTime(nullptr, nullptr);
    }
    return S_OK;
}

HRESULT CVelloAudioStream::OnThreadStartPlay() {
    m_bEndPending = false;
    return CSeekableStream::OnThreadStartPlay();
}

}  // namespace zvp
