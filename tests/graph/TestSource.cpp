#include "graph/TestSource.h"

namespace zvp::test {

CTestStream::CTestStream(CTestSource* source, const StreamParams& p)
    : CSourceStream(p.video ? "Video stream" : "Audio stream", nullptr, source,
                    p.video ? "Video" : "Audio"),
      CSourceSeeking(p.video ? "Video" : "Audio", nullptr, &shared_),
      source_(source),
      p_(p) {
    m_rtDuration = m_rtStop = p.duration * p.count;
}

CTestStream::~CTestStream() = default;

long CTestStream::BlockBytes() const {
    if (p_.video) return long(CMediaType::ImageSize(SubType::YV12, p_.width, p_.height));
    long frames = long(p_.duration * p_.rate / UNITS);
    return frames * p_.channels * 2;
}

HRESULT CTestStream::GetMediaType(int iPosition, CMediaType* pmt) {
    if (!pmt) return E_POINTER;
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
    bool ok = p_.video ? pmt->InitVideo(SubType::YV12, p_.width, p_.height)
                       : pmt->InitAudioPcm(p_.channels, p_.rate);
    return ok ? S_OK : E_FAIL;
}

HRESULT CTestStream::CheckMediaType(const CMediaType* pmt) {
    CMediaType mine;
    GetMediaType(0, &mine);
    return pmt && *pmt == mine ? S_OK : E_FAIL;
}

HRESULT CTestStream::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pRequest) {
    if (!pAlloc || !pRequest) return E_POINTER;
    ALLOCATOR_PROPERTIES want{p_.buffers, BlockBytes(), 1, 0}, got;
    HRESULT hr = pAlloc->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cBuffers >= p_.buffers && got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL;
}

HRESULT CTestStream::FillBuffer(IMediaSample* pSample) {
    int index;
    int first;
    {
        CAutoLock lock(&shared_);
        index = next_;
        first = first_;
        if (index >= p_.count) return S_FALSE;
        if (index == p_.failAt) return E_FAIL;
        ++next_;
    }
    BYTE* data = nullptr;
    pSample->GetPointer(&data);
    long bytes = BlockBytes();
    std::memset(data, 0x40 + (index % 64), size_t(bytes));
    uint64_t head = uint64_t(index);
    std::memcpy(data, &head, sizeof head);
    pSample->SetActualDataLength(bytes);
    pSample->SetSyncPoint(true);
    if (discontinuity_) {
        pSample->SetDiscontinuity(true);
        discontinuity_ = false;
    }
    if (p_.video) {
        REFERENCE_TIME start = (index - first) * p_.duration;
        REFERENCE_TIME stop = start + p_.duration;
        pSample->SetTime(&start, &stop);
    } else {
        pSample->SetTime(nullptr, nullptr);
    }
    filled_.fetch_add(1);
    return S_OK;
}

HRESULT CTestStream::ChangeStart() {
    REFERENCE_TIME start;
    {
        CAutoLock lock(&shared_);
        start = m_rtStart;
    }
    return source_->Seek(start, this);
}

void CTestStream::OnSeekBegin() {
    DeliverBeginFlush();
    Stop();
}

void CTestStream::OnSeekEnd(REFERENCE_TIME position) {
    {
        CAutoLock lock(&shared_);
        next_ = first_ = int(position / p_.duration);
        m_rtStart = position;
    }
    Run();
    DeliverEndFlush();
    DeliverNewSegment(position, kMaxReferenceTime, 1.0);
}

CTestSource::CTestSource(const StreamParams* audio, const StreamParams* video)
    : CSource("Test Source", nullptr) {
    if (audio && audio->count > 0) {
        StreamParams a = *audio;
        a.video = false;
        audio_ = static_cast<CTestStream*>(AddPin(std::make_unique<CTestStream>(this, a)));
    }
    if (video && video->count > 0) {
        StreamParams v = *video;
        v.video = true;
        video_ = static_cast<CTestStream*>(AddPin(std::make_unique<CTestStream>(this, v)));
    }
    master_ = audio_ ? audio_ : video_;
}

CTestSource::~CTestSource() {
    if (!IsStopped()) CSource::Stop();
}

HRESULT CTestSource::Seek(REFERENCE_TIME position, CTestStream* pin) {
    if (pin != master_) return E_NOTIMPL;
    CAutoLock lock(&m_cStateLock);
    if (audio_) audio_->OnSeekBegin();
    if (video_) video_->OnSeekBegin();
    if (m_pClock) m_pClock->GetTime(&m_tStart);
    if (audio_) audio_->OnSeekEnd(position);
    if (video_) video_->OnSeekEnd(position);
    seeks.fetch_add(1);
    return S_OK;
}

}  // namespace zvp::test
