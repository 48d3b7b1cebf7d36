#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "graph/CBaseVideoRenderer.h"
#include "graph/FFmpegPtr.h"

class QWidget;

namespace zvp {

// The planes of a YV12 picture in the order Y, U, V, each with its row length in bytes.
struct YuvPlanes {
    const uint8_t* plane[3] = {};
    int stride[3] = {};
};

// One picture as the renderer received it (YV12 planes or bottom-up RGB24 rows): its bytes,
// or for YV12 the decoder's frame the source lent with the sample, with the rows drawn on
// after lending (`band`) beside it.
struct VideoFrame {
    VideoFormat format;
    // format.imageSize bytes; with `lent`, only the band's rows: Y rows, then V rows, then U
    // rows, packed.
    std::vector<uint8_t> data;
    AVFramePtr lent;      // 8-bit 4:2:0 planes of the format's size; never written
    RowBand band;         // luma rows (even ends) that `data` holds instead of `lent`
    uint64_t serial = 0;  // increases with every presented picture

    // A YV12 picture's planes: the lent frame's (the band's rows aside), or those packed in
    // `data` (Y, then V, then U, each chroma plane half the luma size each way).
    YuvPlanes Planes() const;
    // The planes of the band's rows, from its first row; empty planes without a band.
    YuvPlanes BandPlanes() const;
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
    // Keeps a new reference to a lent YV12 picture instead of copying it, and a copy of the
    // rows of `band` from `bandPicture` (packed YV12 of the format's size, as a sample's
    // buffer); false (logged) when the frame is not 8-bit 4:2:0 of the format's size or the
    // band does not fit it.
    bool PresentFrame(const VideoFormat& format, const AVFrame& frame, RowBand band = {},
                      const uint8_t* bandPicture = nullptr, long bandPictureBytes = 0);
    // The sample's picture: its lent frame (and band) when it has one, else its bytes.
    bool PresentSample(const VideoFormat& format, const CMediaSample& sample);
    std::shared_ptr<const VideoFrame> Latest();
    void Attach(QWidget* widget);
    void Detach(QWidget* widget);
    void Clear();

  private:
    void Publish(std::shared_ptr<VideoFrame> frame);

    std::mutex lock_;
    std::shared_ptr<VideoFrame> frame_;  // guarded by lock_
    // The buffer of a copied picture that was replaced while nobody held it, for the next
    // copy: a picture's worth of memory is not given back and taken again for every picture.
    std::vector<uint8_t> spare_;  // guarded by lock_
    QWidget* widget_ = nullptr;   // guarded by lock_; not owned
    bool updatePending_ = false;  // guarded by lock_
    uint64_t serial_ = 0;         // guarded by lock_
};

}  // namespace zvp
