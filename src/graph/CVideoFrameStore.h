#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "graph/CBaseVideoRenderer.h"

class QWidget;

namespace zvp {

// One picture as the renderer received it (YV12 planes or bottom-up RGB24 rows).
struct VideoFrame {
    VideoFormat format;
    std::vector<uint8_t> data;  // format.imageSize bytes
    uint64_t serial = 0;        // increases with every presented picture
};

// The latest picture, handed from a video renderer's streaming thread to its widget on the
// UI thread. Present stores a copy and asks the attached widget for a repaint through a
// queued call (at most one outstanding); the widget takes the frame when it paints.
// Threads: Present on the streaming thread; Attach/Detach/Latest on the UI thread; all
// guarded by `lock_`. The widget detaches itself in its destructor, so no repaint request is
// posted to a destroyed widget.
class CVideoFrameStore {
  public:
    // Copies `bytes` (at least format.imageSize) of a picture; false when too short.
    bool Present(const VideoFormat& format, const uint8_t* data, long bytes);
    std::shared_ptr<const VideoFrame> Latest();
    void Attach(QWidget* widget);
    void Detach(QWidget* widget);
    void Clear();

  private:
    std::mutex lock_;
    std::shared_ptr<const VideoFrame> frame_;  // guarded by lock_
    QWidget* widget_ = nullptr;                // guarded by lock_; not owned
    bool updatePending_ = false;               // guarded by lock_
    uint64_t serial_ = 0;                      // guarded by lock_
};

}  // namespace zvp
