#pragma once

#include "graph/CAMThread.h"
#include "graph/CBaseOutputPin.h"

namespace zvp {

class CSource;

// An output pin of a CSource with its own streaming thread that fills samples
// (FillBuffer) and delivers them downstream.
//
// Commands to the streaming thread (CAMThread requests): CMD_INIT, CMD_PAUSE, CMD_RUN,
// CMD_STOP, CMD_EXIT. The thread procedure waits for CMD_INIT (other requests are answered
// E_UNEXPECTED), calls OnThreadCreate and replies its result (a failure ends the thread
// after OnThreadDestroy). Then: CMD_PAUSE/CMD_RUN reply S_OK and run
// DoBufferProcessingLoop; CMD_STOP replies S_OK; CMD_EXIT replies S_OK and ends the thread
// (OnThreadDestroy); other codes reply E_NOTIMPL. A loop that returns because CMD_STOP is
// pending leaves it to the thread procedure, which replies to it.
//
// The default DoBufferProcessingLoop: OnThreadStartPlay, then until a request other than
// CMD_PAUSE/CMD_RUN is pending: GetDeliveryBuffer, FillBuffer, Deliver; FillBuffer's S_FALSE
// delivers end of stream and returns; a failure delivers end of stream, reports
// EC_ERRORABORT and returns; a delivery failure returns. While GetDeliveryBuffer fails (the
// allocator is flushing or decommitted) the thread waits, without polling, until a request
// arrives or DeliverEndFlush wakes it (CAMThread::Wake) once the allocator takes buffers
// again.
//
// Active (filter paused from stopped): commit the allocator, Create the thread, send
// CMD_INIT then CMD_PAUSE. Inactive (filter stopped): decommit the allocator (a
// GetDeliveryBuffer waiting fails), send CMD_STOP and CMD_EXIT, join. Both run on the
// graph's thread under the filter's state lock. The filter's renderers downstream are
// stopped first, so a streaming thread blocked in Deliver is released before Inactive.
//
// Life: the derived pin's destructor runs while the thread no longer exists (the filter is
// stopped before its pins are destroyed); ~CSourceStream ends a leftover thread as a last
// resort.
class CSourceStream : public CAMThread, public CBaseOutputPin {
  public:
    CSourceStream(const char* pObjectName, HRESULT* phr, CSource* pms, const char* pName);
    ~CSourceStream() override;

    enum Command { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };

    HRESULT Active() override;
    HRESULT Inactive() override;
    // Ends the flush downstream and in the allocator, then wakes the streaming thread if it
    // waits for a buffer (seeking thread).
    HRESULT DeliverEndFlush() override;

    // The default accepts exactly the type GetMediaType(CMediaType*) gives.
    HRESULT CheckMediaType(const CMediaType* pMediaType) override;
    // Position 0 → GetMediaType(pMediaType); others VFW_S_NO_MORE_ITEMS.
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    // The single-type form; the base answers E_UNEXPECTED.
    virtual HRESULT GetMediaType(CMediaType* pMediaType) { return E_UNEXPECTED; }

  protected:
    // Fills one sample on the streaming thread: S_OK deliver it, S_FALSE end of stream,
    // a failure aborts the stream.
    virtual HRESULT FillBuffer(IMediaSample* pSample) = 0;
    virtual HRESULT OnThreadCreate() { return NOERROR; }
    virtual HRESULT OnThreadDestroy() { return NOERROR; }
    virtual HRESULT OnThreadStartPlay() { return NOERROR; }

    HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
    HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }
    HRESULT Run() { return static_cast<HRESULT>(CallWorker(CMD_RUN)); }
    HRESULT Pause() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
    HRESULT Stop() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }
    using CBasePin::Run;

    Command GetRequest() { return static_cast<Command>(CAMThread::GetRequest()); }
    bool CheckRequest(Command* pCom);

    DWORD ThreadProc() override;
    virtual HRESULT DoBufferProcessingLoop();

    CSource* m_pFilter;  // the owning filter
};

}  // namespace zvp
