#pragma once

#include "graph/GraphTypes.h"

namespace zvp {

class CBaseFilter;

// Where filters report events (EC_COMPLETE, EC_ERRORABORT, ...). Implemented by the graph.
// Threads: any thread (streaming threads, the audio device thread). The implementation
// takes only its own leaf lock, so a filter may report while holding its locks.
class IMediaEventSink {
  public:
    virtual ~IMediaEventSink() = default;
    virtual HRESULT Notify(CBaseFilter* sender, long eventCode, LONG_PTR p1, LONG_PTR p2) = 0;
};

}  // namespace zvp
