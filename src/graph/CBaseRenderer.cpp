#include "graph/CBaseRenderer.h"

#include <algorithm>
#include <chrono>

#include "graph/CRendererInputPin.h"

namespace zvp {

namespace {
// Longest single wait for a sample's time; the clock is read again after it, since the
// graph clock (the audio position) need not run at the pace of the system clock.
constexpr REFERENCE_TIME kMaxTimedWait = 20 * MILLISECONDS;
}  // namespace

CBaseRenderer::CBaseRenderer(const char* pName, HRESULT* phr)
    : CBaseFilter(pName, &m_InterfaceLock),
      m_pInputPin(std::make_unique<CRendererInputPin>(this, phr, "In")) {}

CBaseRenderer::~CBaseRenderer() = default;

CBasePin* CBaseRenderer::GetPin(int n) {
    return n == 0 ? m_pInputPin.get() : nullptr;
}

HRESULT CBaseRenderer::Stop() {
    bool wasActive = false;
    {
        CAutoLock lock(&m_InterfaceLock);
        wasActive = m_State != State_Stopped;
        CBaseFilter::Stop();
        MutexLock rl(rendererLock_);
        rstate_ = State_Stopped;
        eos_ = completeSent_ = ready_ = false;
        stateChanged_.NotifyAll();
    }
    if (wasActive) OnStopStreaming();
    return S_OK;
}

HRESULT CBaseRenderer::Pause() {
    FILTER_STATE old = State_Stopped;
    bool ready = false;
    {
        CAutoLock lock(&m_InterfaceLock);
        old = m_State;
        HRESULT hr = CBaseFilter::Pause();
        if (FAILED(hr)) return hr;
        MutexLock rl(rendererLock_);
        if (old == State_Stopped) eos_ = completeSent_ = ready_ = false;
        // A renderer paused from running has already presented; it is ready at once.
        if (old == State_Running) ready_ = true;
        rstate_ = State_Paused;
        ready = ready_;
        stateChanged_.NotifyAll();
    }
    if (old == State_Stopped) OnStartStreaming();
    if (old == State_Running) OnPausing();
    if (ready) NotifyReady();
    return S_OK;
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME tStart) {
    // State changes come one at a time from the graph's thread: the state read here holds
    // until this call changes it.
    if (State() == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    FILTER_STATE old = State_Stopped;
    {
        CAutoLock lock(&m_InterfaceLock);
        old = m_State;
        HRESULT hr = CBaseFilter::Run(tStart);
        if (FAILED(hr)) return hr;
        MutexLock rl(rendererLock_);
        rstate_ = State_Running;
        rtStart_ = tStart;
        rclock_ = m_pClock;
        stateChanged_.NotifyAll();
    }
    if (old != State_Running) OnRunning();
    CheckCompletion();
    return S_OK;
}

HRESULT CBaseRenderer::GetState(long msTimeout, FILTER_STATE* pState) {
    if (!pState) return E_POINTER;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msTimeout);
    MutexLock rl(rendererLock_);
    while (rstate_ == State_Paused && !ready_) {
        if (msTimeout < 0) {
            stateChanged_.Wait(rendererLock_);
        } else if (!stateChanged_.WaitUntil(rendererLock_, deadline)) {
            break;
        }
    }
    *pState = rstate_;
    return rstate_ != State_Paused || ready_ ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

HRESULT CBaseRenderer::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(&m_InterfaceLock);
    CBaseFilter::SetSyncSource(pClock);
    MutexLock rl(rendererLock_);
    rclock_ = pClock;
    return S_OK;
}

void CBaseRenderer::SetFastMode(bool fast) {
    MutexLock rl(rendererLock_);
    fast_ = fast;
    stateChanged_.NotifyAll();
}

bool CBaseRenderer::IsFastMode() {
    MutexLock rl(rendererLock_);
    return fast_;
}

HRESULT CBaseRenderer::Receive(IMediaSample* pSample) {
    {
        MutexLock rl(rendererLock_);
        if (rstate_ == State_Stopped) return VFW_E_WRONG_STATE;
        if (flushing_) return S_FALSE;
        if (eos_) return VFW_E_SAMPLE_REJECTED_EOS;
    }
    return ProcessSample(pSample);
}

HRESULT CBaseRenderer::ProcessSample(IMediaSample* pSample) {
    REFERENCE_TIME start = 0, stop = 0;
    bool timed = SUCCEEDED(pSample->GetTime(&start, &stop));
    if (MarkPrerolled()) OnReceiveFirstSample(pSample);
    if (!WaitForRenderTime(timed, start)) return S_FALSE;
    return DoRenderSample(pSample);
}

bool CBaseRenderer::MarkPrerolled() {
    {
        MutexLock rl(rendererLock_);
        if (rstate_ != State_Paused || ready_ || flushing_) return false;
        ready_ = true;
        stateChanged_.NotifyAll();
    }
    NotifyReady();
    return true;
}

void CBaseRenderer::NotifyReady() {
    NotifyEvent(EC_PAUSED, 0, 0);
}

bool CBaseRenderer::WaitForRenderTime(bool timed, REFERENCE_TIME start) {
    MutexLock rl(rendererLock_);
    for (;;) {
        if (rstate_ == State_Stopped || flushing_) return false;
        if (rstate_ != State_Running) {
            stateChanged_.Wait(rendererLock_);
            continue;
        }
        if (!timed || fast_ || !rclock_) return true;
        IReferenceClock* clock = rclock_;
        REFERENCE_TIME tStart = rtStart_;
        rl.Unlock();
        REFERENCE_TIME now = 0;
        clock->GetTime(&now);
        rl.Lock();
        // The state may have changed while the lock was released; look again first.
        if (rstate_ != State_Running || flushing_ || clock != rclock_ || tStart != rtStart_)
            continue;
        REFERENCE_TIME remaining = start - (now - tStart);
        if (remaining <= 0) return true;
        REFERENCE_TIME slice = std::min(remaining, kMaxTimedWait);
        stateChanged_.WaitFor(rendererLock_, std::chrono::microseconds(slice / 10 + 1));
    }
}

bool CBaseRenderer::CurrentStreamTime(REFERENCE_TIME* pStreamTime) {
    IReferenceClock* clock;
    REFERENCE_TIME tStart;
    FILTER_STATE state;
    {
        MutexLock rl(rendererLock_);
        clock = rclock_;
        tStart = rtStart_;
        state = rstate_;
    }
    if (!clock || state != State_Running) return false;
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    *pStreamTime = now - tStart;
    return true;
}

bool CBaseRenderer::IsAborting() {
    MutexLock rl(rendererLock_);
    return rstate_ == State_Stopped || flushing_;
}

HRESULT CBaseRenderer::EndOfStream() {
    bool ready = false;
    {
        MutexLock rl(rendererLock_);
        if (rstate_ == State_Stopped) return VFW_E_WRONG_STATE;
        if (flushing_) return S_FALSE;
        if (eos_) return S_OK;
        eos_ = true;
        if (rstate_ == State_Paused && !ready_) {
            ready_ = true;
            ready = true;
        }
        stateChanged_.NotifyAll();
    }
    if (ready) NotifyReady();
    OnEndOfStream();
    CheckCompletion();
    return S_OK;
}

bool CBaseRenderer::CompletionDueLocked() {
    return eos_ && !completeSent_ && rstate_ == State_Running && !flushing_;
}

void CBaseRenderer::CheckCompletion() {
    {
        MutexLock rl(rendererLock_);
        if (!CompletionDueLocked()) return;
    }
    if (!IsEndOfStreamPlayed()) return;
    MutexLock nl(notifyLock_);
    {
        MutexLock rl(rendererLock_);
        if (!CompletionDueLocked()) return;
        completeSent_ = true;
    }
    NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CBaseRenderer::BeginFlush() {
    {
        MutexLock nl(notifyLock_);
        {
            MutexLock rl(rendererLock_);
            flushing_ = true;
            eos_ = completeSent_ = false;
            if (rstate_ == State_Paused) ready_ = false;
            stateChanged_.NotifyAll();
        }
        NotifyEvent(EC_RENDERER_FLUSHED, 0, 0);
    }
    OnBeginFlush();
    return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
    {
        MutexLock rl(rendererLock_);
        flushing_ = false;
        stateChanged_.NotifyAll();
    }
    OnEndFlush();
    return S_OK;
}

}  // namespace zvp
