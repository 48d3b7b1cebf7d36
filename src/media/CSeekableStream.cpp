#include "media/CSeekableStream.h"

#include "app/Logger.h"
#include "media/CVelloSource.h"

namespace zvp {

CSeekableStream::CSeekableStream(const char* pObjectName, HRESULT* phr, CVelloSource* pSource,
                                 const char* pPinName)
    : CSourceStream(pObjectName, phr, pSource, pPinName),
      CSourceSeeking(pObjectName, phr, &m_cSharedState),
      m_pSource(pSource) {
    m_dwSeekingCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                      AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                      AM_SEEKING_CanGetDuration;
    // A file without a known duration (a live recording) offers no position to seek to.
    if (pSource && !pSource->GetPlaybackInfo()->IsSeekable())
        m_dwSeekingCaps &= ~(AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                             AM_SEEKING_CanSeekBackwards);
}

HRESULT CSeekableStream::OnThreadCreate() {
    CAutoLock lock(&m_cSharedState);
    m_rtSampleTime = 0;
    return S_OK;
}

HRESULT CSeekableStream::OnThreadStartPlay() {
    m_bDiscontinuity = true;
    REFERENCE_TIME start = 0, stop = 0;
    double rate = 1.0;
    {
        CAutoLock lock(&m_cSharedState);
        start = m_rtStart;
        stop = m_rtStop;
        rate = m_dRateSeeking;
    }
    DeliverNewSegment(start, stop, rate);
    return S_OK;
}

bool CSeekableStream::TakeDiscontinuity() {
    const bool was = m_bDiscontinuity;
    m_bDiscontinuity = false;
    return was;
}

bool CSeekableStream::IsSeeking() {
    CAutoLock lock(&m_SeekingLock);
    return m_bSeeking;
}

REFERENCE_TIME CSeekableStream::SampleTime() {
    CAutoLock lock(&m_cSharedState);
    return m_rtSampleTime;
}

HRESULT CSeekableStream::DoBufferProcessingLoop() {
    static constexpr const char* kWhere = "CSeekableStream::DoBufferProcessingLoop";
    OnThreadStartPlay();
    for (;;) {
        Command com;
        while (CheckRequest(&com)) {
            if (com == CMD_PAUSE || com == CMD_RUN) {
                Reply(S_OK);
            } else if (com == CMD_STOP) {
                return S_FALSE;
            } else {
                Reply(static_cast<DWORD>(E_UNEXPECTED));
                Log({kWhere, kLogError}, "%s: Unexpected command!!", m_pName.c_str());
            }
        }

        if (PrepareSample() == kFillInterrupted) {
            // A stop or seek is under way: wait for its command.
            WaitForRequest(INFINITE_WAIT);
            continue;
        }
        CSampleRef sample;
        HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr)) {
            // Flushing or decommitted: until the flush ends (DeliverEndFlush wakes this
            // thread) or a command arrives.
            WaitForRequest(INFINITE_WAIT);
            continue;
        }
        if (IsSeeking()) return S_OK;

        hr = FillBuffer(sample.get());
        if (hr == S_OK) {
            hr = Deliver(sample.get());
            sample.Release();
            if (hr == VFW_E_SAMPLE_REJECTED_EOS || hr == E_UNEXPECTED) {
                Log({kWhere, kLogInfo}, "%s - Deliver() returned %08x; stopping.", m_pName.c_str(),
                    unsigned(hr));
                return S_OK;
            }
            // S_FALSE (flushing) and a stopped renderer belong to a seek or stop under way.
            if (FAILED(hr) && hr != VFW_E_WRONG_STATE) {
                Log({kWhere, kLogError}, "%s - Deliver() failed: %08x; stopping.", m_pName.c_str(),
                    unsigned(hr));
                DeliverEndOfStream();
                m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
        } else if (hr == S_FALSE) {
            sample.Release();
            DeliverEndOfStream();
            return S_OK;
        } else if (hr == kFillInterrupted) {
            // A stop or seek is under way: wait for its command.
            sample.Release();
            WaitForRequest(INFINITE_WAIT);
        } else {
            sample.Release();
            Log({kWhere, kLogError}, "%s: Error!! No:%08lx", m_pName.c_str(),
                static_cast<unsigned long>(static_cast<uint32_t>(hr)));
            DeliverEndOfStream();
            m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
            return hr;
        }
    }
}

HRESULT CSeekableStream::OnSeekBegin() {
    {
        CAutoLock lock(&m_cSharedState);
        m_rtSampleTime = 0;
    }
    {
        CAutoLock lock(&m_SeekingLock);
        m_bSeeking = true;
    }
    DeliverBeginFlush();
    if (ThreadExists()) Stop();
    return S_OK;
}

HRESULT CSeekableStream::OnSeekEnd() {
    {
        CAutoLock lock(&m_SeekingLock);
        m_bSeeking = false;
    }
    if (ThreadExists()) Run();
    DeliverEndFlush();
    return S_OK;
}

void CSeekableStream::SetStartPosition(REFERENCE_TIME start) {
    CAutoLock lock(&m_cSharedState);
    m_rtStart = start;
}

HRESULT CSeekableStream::ChangeStart() {
    REFERENCE_TIME start = 0;
    {
        CAutoLock lock(&m_cSharedState);
        m_rtSampleTime = 0;
        start = m_rtStart;
    }
    return m_pSource->Seek(start, this);
}

HRESULT CSeekableStream::SetRate(double dRate) {
    if (dRate <= 0.0) return E_INVALIDARG;
    CAutoLock lock(&m_cSharedState);
    m_dRateSeeking = dRate;
    return S_OK;
}

void CSeekableStream::SetDurationFromMedia() {
    MediaDuration duration;
    m_pSource->GetPlaybackInfo()->Duration(duration);
    CAutoLock lock(&m_cSharedState);
    m_rtDuration = static_cast<REFERENCE_TIME>(duration.totalSeconds * 10'000'000.0);
    m_rtStop = m_rtDuration;
    m_rtStart = 0;
}

}  // namespace zvp
