#include "graph/CFilterGraph.h"

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>

#include "app/Logger.h"
#include "graph/CBaseFilter.h"
#include "graph/CBasePin.h"
#include "graph/CBaseRenderer.h"
#include "graph/CSourceSeeking.h"
#include "graph/IBasicAudio.h"
#include "graph/IBasicVideo.h"

namespace zvp {

// Note on locking: controlLock_ is held across calls into the filters (Stop, Pause, Run,
// seeking); this serialises the control operations. Filters never call the control
// operations back; they only report through Notify, which takes eventLock_ alone.

CFilterGraph::CFilterGraph() = default;

CFilterGraph::~CFilterGraph() {
    Stop();
    SetNotifyTarget(nullptr, nullptr);
    MutexLock lock(controlLock_);
    for (auto& e : filters_) {
        for (int i = 0; i < e.filter->GetPinCount(); ++i) {
            CBasePin* pin = e.filter->GetPin(i);
            if (!pin || !pin->IsConnected()) continue;
            CBasePin* peer = pin->GetConnected();
            pin->Disconnect();
            if (peer) peer->Disconnect();
        }
    }
    for (auto& e : filters_) {
        e.filter->SetSyncSource(nullptr);
        e.filter->JoinFilterGraph(nullptr, nullptr);
    }
    {
        MutexLock el(eventLock_);
        renderers_.clear();
    }
    // Last added first (the engine adds the source, then its renderers: renderers go first).
    // The order does not matter for safety: the pins are disconnected and no filter keeps a
    // clock any more, so no filter refers to another.
    while (!filters_.empty()) filters_.pop_back();
}

HRESULT CFilterGraph::AddFilter(std::unique_ptr<CBaseFilter> filter, const char* name) {
    if (!filter) return E_POINTER;
    MutexLock lock(controlLock_);
    if (state_ != State_Stopped) return VFW_E_WRONG_STATE;
    filter->JoinFilterGraph(this, name);
    filters_.push_back(Entry{std::move(filter), name ? name : ""});
    return S_OK;
}

int CFilterGraph::GetFilterCount() const {
    MutexLock lock(controlLock_);
    return int(filters_.size());
}

CBaseFilter* CFilterGraph::GetFilter(int n) const {
    MutexLock lock(controlLock_);
    if (n < 0 || n >= int(filters_.size())) return nullptr;
    return filters_[size_t(n)].filter.get();
}

CBasePin* CFilterGraph::FindInputPin(CBaseFilter* filter) {
    if (!filter) return nullptr;
    for (int i = 0; i < filter->GetPinCount(); ++i) {
        CBasePin* pin = filter->GetPin(i);
        if (pin && pin->Direction() == PINDIR_INPUT) return pin;
    }
    return nullptr;
}

HRESULT CFilterGraph::Connect(CBasePin* pOut, CBasePin* pIn) {
    if (!pOut || !pIn) return E_POINTER;
    if (pOut->Direction() != PINDIR_OUTPUT || pIn->Direction() != PINDIR_INPUT) return E_INVALIDARG;
    MutexLock lock(controlLock_);
    if (state_ != State_Stopped) return VFW_E_WRONG_STATE;
    HRESULT hr = pOut->Connect(pIn, nullptr);
    if (FAILED(hr)) return hr;
    if (IsRenderer(pIn->Filter())) {
        MutexLock el(eventLock_);
        renderers_.insert(pIn->Filter());
    }
    return hr;
}

bool CFilterGraph::IsRenderer(CBaseFilter* f) const {
    return dynamic_cast<CBaseRenderer*>(f) != nullptr;
}

REFERENCE_TIME CFilterGraph::ClockNow() const {
    REFERENCE_TIME now = 0;
    IReferenceClock* clock = clock_ ? clock_ : const_cast<CSystemClock*>(&systemClock_);
    clock->GetTime(&now);
    return now;
}

REFERENCE_TIME CFilterGraph::StreamTimeLocked() const {
    switch (state_) {
        case State_Running:
            return ClockNow() - tStart_;
        case State_Paused:
            return pausedStreamTime_;
        default:
            return 0;
    }
}

void CFilterGraph::ChooseClockLocked() {
    IReferenceClock* chosen = nullptr;
    for (auto& e : filters_) {
        IReferenceClock* c = e.filter->GetProvidedClock();
        CBasePin* in = FindInputPin(e.filter.get());
        if (c && in && in->IsConnected()) {
            chosen = c;
            break;
        }
    }
    clock_ = chosen ? chosen : &systemClock_;
    for (auto& e : filters_) e.filter->SetSyncSource(clock_);
}

HRESULT CFilterGraph::SetDefaultSyncSource() {
    MutexLock lock(controlLock_);
    if (state_ != State_Stopped) return VFW_E_WRONG_STATE;
    ChooseClockLocked();
    return S_OK;
}

IReferenceClock* CFilterGraph::GetSyncSource() const {
    MutexLock lock(controlLock_);
    return clock_;
}

void CFilterGraph::ResetCompletionLocked() {
    MutexLock el(eventLock_);
    completed_.clear();
    completeSent_ = false;
}

HRESULT CFilterGraph::PauseLocked(bool announce) {
    if (state_ == State_Paused) return S_OK;
    if (state_ == State_Stopped) {
        ChooseClockLocked();
        ResetCompletionLocked();
        pausedStreamTime_ = 0;
    } else {
        pausedStreamTime_ = ClockNow() - tStart_;
    }
    {
        MutexLock el(eventLock_);
        prerolled_.clear();
        pausePending_ = announce && !renderers_.empty();
    }
    // Renderers first, so that they are ready when the sources start delivering.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& e : filters_) {
            if (IsRenderer(e.filter.get()) != (pass == 0)) continue;
            HRESULT hr = e.filter->Pause();
            if (FAILED(hr)) {
                Log(LogPoint{"CFilterGraph::Pause", kLogError}, "%s failed to pause: %08x",
                    e.name.c_str(), unsigned(hr));
                StopLocked();
                return hr;
            }
        }
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT CFilterGraph::RunFiltersLocked(REFERENCE_TIME tStart) {
    {
        // A pause that had not completed is over: no EC_PAUSED for it.
        MutexLock el(eventLock_);
        pausePending_ = false;
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& e : filters_) {
            if (IsRenderer(e.filter.get()) != (pass == 0)) continue;
            HRESULT hr = e.filter->Run(tStart);
            if (FAILED(hr)) {
                Log(LogPoint{"CFilterGraph::Run", kLogError}, "%s failed to run: %08x",
                    e.name.c_str(), unsigned(hr));
                StopLocked();
                return hr;
            }
        }
    }
    state_ = State_Running;
    return S_OK;
}

HRESULT CFilterGraph::StopLocked() {
    if (state_ == State_Running || state_ == State_Paused) {
        REFERENCE_TIME pos = segmentStart_ + StreamTimeLocked();
        segmentStart_ = std::max<REFERENCE_TIME>(pos, 0);
    }
    HRESULT result = S_OK;
    // Renderers first: a streaming thread blocked in a renderer is released before its
    // source pin waits for it.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& e : filters_) {
            if (IsRenderer(e.filter.get()) != (pass == 0)) continue;
            HRESULT hr = e.filter->Stop();
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    state_ = State_Stopped;
    pausedStreamTime_ = 0;
    {
        MutexLock el(eventLock_);
        pausePending_ = false;
    }
    return result;
}

HRESULT CFilterGraph::Run() {
    MutexLock lock(controlLock_);
    if (state_ == State_Running) return S_OK;
    if (state_ == State_Stopped) {
        HRESULT hr = PauseLocked(false);
        if (FAILED(hr)) return hr;
    }
    tStart_ = ClockNow() - pausedStreamTime_;
    return RunFiltersLocked(tStart_);
}

HRESULT CFilterGraph::Pause() {
    MutexLock lock(controlLock_);
    return PauseLocked();
}

HRESULT CFilterGraph::Stop() {
    MutexLock lock(controlLock_);
    return StopLocked();
}

HRESULT CFilterGraph::GetState(long msTimeout, FILTER_STATE* pState) {
    if (!pState) return E_POINTER;
    std::vector<CBaseFilter*> renderers;
    {
        MutexLock lock(controlLock_);
        *pState = state_;
        if (state_ != State_Paused) return S_OK;
        for (auto& e : filters_)
            if (IsRenderer(e.filter.get())) renderers.push_back(e.filter.get());
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msTimeout);
    for (CBaseFilter* f : renderers) {
        long left = msTimeout;
        if (msTimeout >= 0) {
            auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            left = std::max<long>(0, long(rest.count()));
        }
        FILTER_STATE fs;
        HRESULT hr = f->GetState(left, &fs);
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

HRESULT CFilterGraph::SetPositions(REFERENCE_TIME* pCurrent, DWORD dwCurrentFlags,
                                   REFERENCE_TIME* pStop, DWORD dwStopFlags) {
    DWORD startBits = dwCurrentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopBits = dwStopFlags & AM_SEEKING_PositioningBitsMask;
    if (startBits && !pCurrent) return E_POINTER;
    if (stopBits && !pStop) return E_POINTER;
    if (startBits && startBits != AM_SEEKING_AbsolutePositioning &&
        startBits != AM_SEEKING_RelativePositioning)
        return E_INVALIDARG;
    if (!startBits && !stopBits) return S_OK;

    MutexLock lock(controlLock_);
    REFERENCE_TIME target = 0;
    if (startBits == AM_SEEKING_AbsolutePositioning) target = *pCurrent;
    if (startBits == AM_SEEKING_RelativePositioning)
        target = segmentStart_ + StreamTimeLocked() + *pCurrent;
    if (target < 0) target = 0;

    bool wasRunning = state_ == State_Running;
    if (startBits && wasRunning) {
        HRESULT hr = PauseLocked(false);
        if (FAILED(hr)) return hr;
    }

    HRESULT result = E_NOTIMPL;
    bool accepted = false;
    for (auto& e : filters_) {
        if (IsRenderer(e.filter.get())) continue;
        for (int i = 0; i < e.filter->GetPinCount() && !accepted; ++i) {
            CBasePin* pin = e.filter->GetPin(i);
            auto* seeking = dynamic_cast<CSourceSeeking*>(pin);
            if (!pin || !seeking || pin->Direction() != PINDIR_OUTPUT || !pin->IsConnected())
                continue;
            REFERENCE_TIME start = target;
            REFERENCE_TIME stop = pStop ? *pStop : 0;
            result = seeking->SetPositions(startBits ? &start : nullptr,
                                           startBits ? AM_SEEKING_AbsolutePositioning : 0,
                                           stopBits ? &stop : nullptr, dwStopFlags);
            if (SUCCEEDED(result)) accepted = true;
        }
        if (accepted) break;
    }
    if (accepted && startBits) {
        segmentStart_ = target;
        pausedStreamTime_ = 0;
    }
    if (!accepted) {
        Log(LogPoint{"CFilterGraph::SetPositions", kLogInfo},
            "no source pin accepted the position %lld: %08x", static_cast<long long>(target),
            unsigned(result));
    }
    if (startBits && wasRunning) {
        tStart_ = ClockNow();
        HRESULT hr = RunFiltersLocked(tStart_);
        if (FAILED(hr)) return hr;
    }
    return accepted ? S_OK : result;
}

HRESULT CFilterGraph::GetCurrentPosition(REFERENCE_TIME* pCurrent) {
    if (!pCurrent) return E_POINTER;
    REFERENCE_TIME duration = 0;
    bool haveDuration = SUCCEEDED(GetDuration(&duration));
    MutexLock lock(controlLock_);
    REFERENCE_TIME pos = segmentStart_ + StreamTimeLocked();
    if (haveDuration && duration > 0) pos = std::min(pos, duration);
    *pCurrent = std::max<REFERENCE_TIME>(pos, 0);
    return S_OK;
}

HRESULT CFilterGraph::GetDuration(REFERENCE_TIME* pDuration) {
    if (!pDuration) return E_POINTER;
    MutexLock lock(controlLock_);
    bool any = false;
    REFERENCE_TIME best = 0;
    for (auto& e : filters_) {
        for (int i = 0; i < e.filter->GetPinCount(); ++i) {
            auto* seeking = dynamic_cast<CSourceSeeking*>(e.filter->GetPin(i));
            REFERENCE_TIME d = 0;
            if (seeking && SUCCEEDED(seeking->GetDuration(&d))) {
                best = any ? std::max(best, d) : d;
                any = true;
            }
        }
    }
    if (!any) return E_NOTIMPL;
    *pDuration = best;
    return S_OK;
}

HRESULT CFilterGraph::GetCapabilities(DWORD* pCapabilities) {
    if (!pCapabilities) return E_POINTER;
    MutexLock lock(controlLock_);
    bool any = false;
    DWORD caps = 0;
    for (auto& e : filters_) {
        for (int i = 0; i < e.filter->GetPinCount(); ++i) {
            auto* seeking = dynamic_cast<CSourceSeeking*>(e.filter->GetPin(i));
            DWORD c = 0;
            if (seeking && SUCCEEDED(seeking->GetCapabilities(&c))) {
                caps = any ? (caps & c) : c;
                any = true;
            }
        }
    }
    if (!any) return E_NOTIMPL;
    *pCapabilities = caps;
    return S_OK;
}

HRESULT CFilterGraph::GetVideoSize(long* pWidth, long* pHeight) {
    if (!pWidth || !pHeight) return E_POINTER;
    MutexLock lock(controlLock_);
    for (auto& e : filters_) {
        auto* video = dynamic_cast<IBasicVideo*>(e.filter.get());
        if (video && SUCCEEDED(video->GetVideoSize(pWidth, pHeight))) return S_OK;
    }
    return E_NOTIMPL;
}

QWidget* CFilterGraph::GetVideoWidget() {
    MutexLock lock(controlLock_);
    for (auto& e : filters_) {
        auto* video = dynamic_cast<IBasicVideo*>(e.filter.get());
        CBasePin* in = FindInputPin(e.filter.get());
        if (video && in && in->IsConnected()) return video->GetVideoWidget();
    }
    return nullptr;
}

HRESULT CFilterGraph::put_Volume(long lVolume) {
    MutexLock lock(controlLock_);
    for (auto& e : filters_) {
        auto* audio = dynamic_cast<IBasicAudio*>(e.filter.get());
        CBasePin* in = FindInputPin(e.filter.get());
        if (audio && in && in->IsConnected()) {
            HRESULT hr = audio->put_Volume(lVolume);
            if (SUCCEEDED(hr)) volume_ = lVolume;
            return hr;
        }
    }
    return E_NOTIMPL;
}

HRESULT CFilterGraph::get_Volume(long* plVolume) {
    if (!plVolume) return E_POINTER;
    MutexLock lock(controlLock_);
    for (auto& e : filters_) {
        auto* audio = dynamic_cast<IBasicAudio*>(e.filter.get());
        CBasePin* in = FindInputPin(e.filter.get());
        if (audio && in && in->IsConnected()) return audio->get_Volume(plVolume);
    }
    return E_NOTIMPL;
}

HRESULT CFilterGraph::GetEvent(long* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                               long msTimeout) {
    if (!lEventCode || !lParam1 || !lParam2) return E_POINTER;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msTimeout);
    MutexLock el(eventLock_);
    while (events_.empty() && msTimeout != 0) {
        if (msTimeout < 0) {
            eventCv_.Wait(eventLock_);
        } else if (!eventCv_.WaitUntil(eventLock_, deadline)) {
            break;
        }
    }
    if (events_.empty()) return E_ABORT;
    Event ev = events_.front();
    events_.pop_front();
    *lEventCode = ev.code;
    *lParam1 = ev.p1;
    *lParam2 = ev.p2;
    return S_OK;
}

HRESULT CFilterGraph::FreeEventParams(long, LONG_PTR, LONG_PTR) {
    return S_OK;
}

HRESULT CFilterGraph::SetNotifyTarget(QObject* target, std::function<void()> callback) {
    MutexLock el(eventLock_);
    notifyTarget_ = target;
    notifyCallback_ = target ? std::move(callback) : nullptr;
    return S_OK;
}

void CFilterGraph::QueueEvent(long code, LONG_PTR p1, LONG_PTR p2) {
    events_.push_back(Event{code, p1, p2});
    eventCv_.NotifyAll();
    if (notifyTarget_ && notifyCallback_) {
        QMetaObject::invokeMethod(notifyTarget_, notifyCallback_, Qt::QueuedConnection);
    }
}

HRESULT CFilterGraph::Notify(CBaseFilter* sender, long eventCode, LONG_PTR p1, LONG_PTR p2) {
    MutexLock el(eventLock_);
    bool fromRenderer = renderers_.count(sender) > 0;
    switch (eventCode) {
        case EC_COMPLETE:
            if (!fromRenderer) return S_OK;
            completed_.insert(sender);
            if (!completeSent_ && completed_.size() == renderers_.size()) {
                completeSent_ = true;
                QueueEvent(EC_COMPLETE, S_OK, 0);
            }
            return S_OK;
        case EC_RENDERER_FLUSHED:
            completed_.erase(sender);
            completeSent_ = false;
            return S_OK;
        case EC_PAUSED:
            if (!fromRenderer) return S_OK;
            prerolled_.insert(sender);
            if (pausePending_ && prerolled_.size() == renderers_.size()) {
                pausePending_ = false;
                QueueEvent(EC_PAUSED, S_OK, 0);
            }
            return S_OK;
        default:
            QueueEvent(eventCode, p1, p2);
            return S_OK;
    }
}

}  // namespace zvp
