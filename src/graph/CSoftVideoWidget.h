#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "graph/CVideoFrameStore.h"

struct SwsContext;

namespace zvp {

// Paints the frame store's latest picture with QPainter, stretched over the whole widget:
// YV12 converted to RGB with libswscale using the picture format's matrix and range, RGB24
// rows copied top-down. YV12 pictures are painted from 32-bit RGB, which QPainter scales
// without converting it first. Black until the first picture. UI thread only.
class CSoftVideoWidget : public QWidget {
  public:
    explicit CSoftVideoWidget(std::shared_ptr<CVideoFrameStore> store, QWidget* parent = nullptr);
    ~CSoftVideoWidget() override;

    // Converts a picture to an RGB image (also used by tests and the GL fallback check).
    // A null image when the conversion fails.
    QImage Convert(const VideoFrame& frame);
    // As Convert, into `image`, whose pixels are reused when it has the picture's size and
    // format and no other copy shares them; false (`image` unspecified) when it fails. A YV12
    // picture becomes `yv12Format` (Format_RGB888 or Format_RGB32), an RGB24 one RGB888.
    bool ConvertInto(const VideoFrame& frame, QImage& image,
                     QImage::Format yv12Format = QImage::Format_RGB888);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct SwsDeleter {
        void operator()(SwsContext* c) const;
    };

    std::shared_ptr<CVideoFrameStore> store_;
    std::unique_ptr<SwsContext, SwsDeleter> sws_;  // for the size, format and colour below
    int swsWidth_ = 0;
    int swsHeight_ = 0;
    QImage::Format swsFormat_ = QImage::Format_Invalid;
    VideoColour swsColour_;
    QImage image_;
    uint64_t shown_ = 0;
};

}  // namespace zvp
