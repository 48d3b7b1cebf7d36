#pragma once

#include <mutex>

#include "graph/CBaseRenderer.h"
#include "graph/IBasicVideo.h"

namespace zvp {

// The uncompressed picture format a video renderer was connected with.
struct VideoFormat {
    SubType subtype = SubType::None;
    int width = 0;
    int height = 0;
    uint32_t imageSize = 0;  // bytes of one picture
    VideoColour colour;      // of YV12 pictures, resolved: never unknown
};

// Base of the video renderers: accepts video, FORMAT_VideoInfo, fixed-size samples of YV12
// or RGB24 (positive size, the format block and sample size large enough for the picture)
// and remembers the picture format, its colour resolved by the picture's height; a sample
// with a new media type changes it.
// Threads: the format is guarded by `formatLock_` (written at connection and on the
// streaming thread, read by any thread).
class CBaseVideoRenderer : public CBaseRenderer, public IBasicVideo {
  public:
    CBaseVideoRenderer(const char* pName, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT GetVideoSize(long* pWidth, long* pHeight) override;
    QWidget* GetVideoWidget() override { return nullptr; }

    VideoFormat Format() const;
    // The picture format a type describes; false when the type is not acceptable.
    static bool ParseVideoType(const CMediaType* pmt, VideoFormat* out);

  private:
    mutable std::mutex formatLock_;
    VideoFormat format_;  // guarded by formatLock_
};

}  // namespace zvp
