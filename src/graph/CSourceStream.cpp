#include "graph/CSourceStream.h"

#include "app/Logger.h"
#include "graph/CSource.h"

namespace zvp {

CSourceStream::CSourceStream(const char* pObjectName, HRESULT* phr, CSource* pms, const char* pName)
    : CBaseOutputPin(pObjectName, pms, pms->pStateLock(), phr, pName), m_pFilter(pms) {}

CSourceStream::~CSourceStream() {
    if (ThreadExists()) {
        Stop();
        Exit();
        Close();
    }
}

HRESULT CSourceStream::Active() {
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsConnected()) return S_OK;
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    if (ThreadExists()) return E_UNEXPECTED;
    if (!Create()) return E_FAIL;
    hr = Init();
    if (FAILED(hr)) {
        Close();
        return hr;
    }
    return Pause();
}

HRESULT CSourceStream::Inactive() {
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsConnected()) return S_OK;
    HRESULT hr = CBaseOutputPin::Inactive();
    if (FAILED(hr)) return hr;
    if (ThreadExists()) {
        hr = Stop();
        HRESULT hrExit = Exit();
        Close();
        if (FAILED(hr)) return hr;
        if (FAILED(hrExit)) return hrExit;
    }
    return S_OK;
}

HRESULT CSourceStream::DeliverEndFlush() {
    const HRESULT hr = CBaseOutputPin::DeliverEndFlush();
    Wake();
    return hr;
}

HRESULT CSourceStream::CheckMediaType(const CMediaType* pMediaType) {
    if (!pMediaType) return E_POINTER;
    CMediaType mt;
    if (GetMediaType(&mt) != S_OK) return E_FAIL;
    return mt == *pMediaType ? S_OK : E_FAIL;
}

HRESULT CSourceStream::GetMediaType(int iPosition, CMediaType* pMediaType) {
    if (!pMediaType) return E_POINTER;
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
    return GetMediaType(pMediaType);
}

bool CSourceStream::CheckRequest(Command* pCom) {
    DWORD param = 0;
    if (!CAMThread::CheckRequest(&param)) return false;
    if (pCom) *pCom = static_cast<Command>(param);
    return true;
}

DWORD CSourceStream::ThreadProc() {
    Command com;
    do {
        com = GetRequest();
        if (com != CMD_INIT) {
            Log(LogPoint{"CSourceStream::ThreadProc", kLogError},
                "%s: thread expected init command", m_pName.c_str());
            Reply(static_cast<DWORD>(E_UNEXPECTED));
        }
    } while (com != CMD_INIT);

    HRESULT hr = OnThreadCreate();
    if (FAILED(hr)) {
        OnThreadDestroy();
        Reply(static_cast<DWORD>(hr));
        return 1;
    }
    Reply(NOERROR);

    Command cmd;
    do {
        cmd = GetRequest();
        switch (cmd) {
            case CMD_EXIT:
                Reply(NOERROR);
                break;
            case CMD_RUN:
            case CMD_PAUSE:
                Reply(NOERROR);
                DoBufferProcessingLoop();
                break;
            case CMD_STOP:
                Reply(NOERROR);
                break;
            default:
                Reply(static_cast<DWORD>(E_NOTIMPL));
                break;
        }
    } while (cmd != CMD_EXIT);

    hr = OnThreadDestroy();
    return FAILED(hr) ? 1 : 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
    Command com = CMD_STOP;
    OnThreadStartPlay();
    do {
        while (!CheckRequest(&com)) {
            CSampleRef sample;
            HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
            if (FAILED(hr)) {
                // Flushing or decommitted: until the flush ends or a command arrives.
                WaitForRequest(INFINITE_WAIT);
                continue;
            }
            hr = FillBuffer(sample.get());
            if (hr == S_OK) {
                hr = Deliver(sample.get());
                sample.Release();
                if (hr != S_OK) {
                    Log(LogPoint{"CSourceStream::DoBufferProcessingLoop", kLogDebug},
                        "%s: Deliver() returned %08x; stopping.", m_pName.c_str(), unsigned(hr));
                    return S_OK;
                }
            } else if (hr == S_FALSE) {
                sample.Release();
                DeliverEndOfStream();
                return S_OK;
            } else {
                sample.Release();
                DeliverEndOfStream();
                m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
        }
        if (com == CMD_RUN || com == CMD_PAUSE) {
            Reply(NOERROR);
        } else if (com != CMD_STOP) {
            Reply(static_cast<DWORD>(E_UNEXPECTED));
            Log(LogPoint{"CSourceStream::DoBufferProcessingLoop", kLogError},
                "%s: Unexpected command!!!", m_pName.c_str());
        }
    } while (com != CMD_STOP);
    return S_FALSE;
}

}  // namespace zvp
