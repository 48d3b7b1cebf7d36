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
    CAutoLock lock(&m_InterfaceLock);
    bool wasActive = m_State != State_Stopped;
    CBaseFilter::Stop();
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        rstate_ = State_Stopped;
        eos_ = completeSent_ = ready_ = false;
        stateChanged_.notify_all();
    }
    if (wasActive) OnStopStreaming();
    return S_OK;
}

HRESULT CBaseRenderer::Pause() {
    CAutoLock lock(&m_InterfaceLock);
    FILTER_STATE old = m_State;
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    bool ready = false;
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        if (old == State_Stopped) eos_ = completeSent_ = ready_ = false;
        // A renderer paused from running has already presented; it is ready at once.
        if (old == State_Running) ready_ = true;
        rstate_ = State_Paused;
        ready = ready_;
        stateChanged_.notify_all();
    }
    if (old == State_Stopped) OnStartStreaming();
    if (old == State_Running) OnPausing();
    if (ready) NotifyReady();
    return S_OK;
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(&m_InterfaceLock);
    FILTER_STATE old = m_State;
    if (old == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = CBaseFilter::Run(tStart);
    if (FAILED(hr)) return hr;
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        rstate_ = State_Running;
        rtStart_ = tStart;
        rclock_ = m_pClock;
        stateChanged_.notify_all();
    }
    if (old != State_Running) OnRunning();
    CheckCompletion();
    return S_OK;
}

HRESULT CBaseRenderer::GetState(long msTimeout, FILTER_STATE* pState) {
    if (!pState) return E_POINTER;
    std::unique_lock<std::mutex> rl(rendererLock_);
    auto settled = [&] { return rstate_ != State_Paused || ready_; };
    if (msTimeout < 0) {
        stateChanged_.wait(rl, settled);
    } else {
        stateChanged_.wait_for(rl, std::chrono::milliseconds(msTimeout), settled);
    }
    *pState = rstate_;
    return settled() ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

HRESULT CBaseRenderer::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(&m_InterfaceLock);
    CBaseFilter::SetSyncSource(pClock);
    std::lock_guard<std::mutex> rl(rendererLock_);
    rclock_ = pClock;
    return S_OK;
}

void CBaseRenderer::SetFastMode(bool fast) {
    std::lock_guard<std::mutex> rl(rendererLock_);
    fast_ = fast;
    stateChanged_.notify_all();
}

bool CBaseRenderer::IsFastMode() {
    std::lock_guard<std::mutex> rl(rendererLock_);
    return fast_;
}

HRESULT CBaseRenderer::Receive(IMediaSample* pSample) {
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
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
        std::lock_guard<std::mutex> rl(rendererLock_);
        if (rstate_ != State_Paused || ready_ || flushing_) return false;
        ready_ = true;
        stateChanged_.notify_all();
    }
    NotifyReady();
    return true;
}

void CBaseRenderer::NotifyReady() {
    NotifyEvent(EC_PAUSED, 0, 0);
}

bool CBaseRenderer::WaitForRenderTime(bool timed, REFERENCE_TIME start) {
    std::unique_lock<std::mutex> rl(rendererLock_);
    for (;;) {
        if (rstate_ == State_Stopped || flushing_) return false;
        if (rstate_ != State_Running) {
            stateChanged_.wait(rl);
            continue;
        }
        if (!timed || fast_ || !rclock_) return true;
        IReferenceClock* clock = rclock_;
        REFERENCE_TIME tStart = rtStart_;
        rl.unlock();
        REFERENCE_TIME now = 0;
        clock->GetTime(&now);
        rl.lock();
        // The state may have changed while the lock was released; look again first.
        if (rstate_ != State_Running || flushing_ || clock != rclock_ || tStart != rtStart_)
            continue;
        REFERENCE_TIME remaining = start - (now - tStart);
        if (remaining <= 0) return true;
        REFERENCE_TIME slice = std::min(remaining, kMaxTimedWait);
        stateChanged_.wait_for(rl, std::chrono::microseconds(slice / 10 + 1));
    }
}

bool CBaseRenderer::CurrentStreamTime(REFERENCE_TIME* pStreamTime) {
    IReferenceClock* clock;
    REFERENCE_TIME tStart;
    FILTER_STATE state;
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
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
    std::lock_guard<std::mutex> rl(rendererLock_);
    return rstate_ == State_Stopped || flushing_;
}

HRESULT CBaseRenderer::EndOfStream() {
    bool ready = false;
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        if (rstate_ == State_Stopped) return VFW_E_WRONG_STATE;
        if (flushing_) return S_FALSE;
        if (eos_) return S_OK;
        eos_ = true;
        if (rstate_ == State_Paused && !ready_) {
            ready_ = true;
            ready = true;
        }
        stateChanged_.notify_all();
    }
    if (ready) NotifyReady();
    OnEndOfStream();
    CheckCompletion();
    return S_OK;
}

void CBaseRenderer::CheckCompletion() {
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        if (!eos_ || completeSent_ || rstate_ != State_Running || flushing_) return;
    }
    if (!IsEndOfStreamPlayed()) return;
    std::lock_guard<std::mutex> rl(rendererLock_);
    if (!eos_ || completeSent_ || rstate_ != State_Running || flushing_) return;
    completeSent_ = true;
    // Reported under the lock so that it cannot reach the graph after the EC_RENDERER_FLUSHED
    // of a flush that began later (the graph's sink takes only its own leaf lock).
    NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CBaseRenderer::BeginFlush() {
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        flushing_ = true;
        eos_ = completeSent_ = false;
        if (rstate_ == State_Paused) ready_ = false;
        stateChanged_.notify_all();
        NotifyEvent(EC_RENDERER_FLUSHED, 0, 0);
    }
    OnBeginFlush();
    return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
    {
        std::lock_guard<std::mutex> rl(rendererLock_);
        flushing_ = false;
        stateChanged_.notify_all();
    }
    OnEndFlush();
    return S_OK;
}

}  // namespace zvp
