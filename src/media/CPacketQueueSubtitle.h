#pragma once

#include "media/CPacketQueue2.h"

namespace zvp {

// The subtitle packet queue: the base queue stamped from the current subtitle stream. Read by
// the video decoding path; never blocks the demultiplexing worker.
class CPacketQueueSubtitle : public CPacketQueue2 {
  public:
    CPacketQueueSubtitle(std::string name, int capacity, CPlaybackInfo* info)
        : CPacketQueue2(std::move(name), capacity, info) {}

  protected:
    AVMediaType Kind() const override { return AVMEDIA_TYPE_SUBTITLE; }
};

}  // namespace zvp
