#include "graph/CVideoFrameStore.h"

#include <QMetaObject>
#include <QWidget>

#include "app/Logger.h"

namespace zvp {

bool CVideoFrameStore::Present(const VideoFormat& format, const uint8_t* data, long bytes) {
    if (!data || bytes < 0 || uint64_t(bytes) < format.imageSize || format.imageSize == 0) {
        Log(LogPoint{"CVideoFrameStore::Present", kLogError},
            "picture of %ld bytes is too short for %dx%d (%u bytes); dropped", bytes, format.width,
            format.height, unsigned(format.imageSize));
        return false;
    }
    auto frame = std::make_shared<VideoFrame>();
    frame->format = format;
    frame->data.assign(data, data + format.imageSize);
    Publish(std::move(frame));
    return true;
}

bool CVideoFrameStore::PresentFrame(const VideoFormat& format, const AVFrame& lent) {
    const bool planar420 = lent.format == AV_PIX_FMT_YUV420P || lent.format == AV_PIX_FMT_YUVJ420P;
    if (format.subtype != SubType::YV12 || !planar420 || lent.width != format.width ||
        lent.height != format.height || !lent.data[0] || !lent.data[1] || !lent.data[2] ||
        lent.linesize[0] < lent.width || lent.linesize[1] < (lent.width + 1) / 2 ||
        lent.linesize[2] < (lent.width + 1) / 2) {
        Log(LogPoint{"CVideoFrameStore::PresentFrame", kLogError},
            "lent picture %dx%d (format %d) does not fit %dx%d YV12; dropped", lent.width,
            lent.height, lent.format, format.width, format.height);
        return false;
    }
    auto frame = std::make_shared<VideoFrame>();
    frame->format = format;
    frame->lent.reset(av_frame_clone(&lent));
    if (!frame->lent) {
        Log(LogPoint{"CVideoFrameStore::PresentFrame", kLogError}, "out of memory; dropped");
        return false;
    }
    Publish(std::move(frame));
    return true;
}

bool CVideoFrameStore::PresentSample(const VideoFormat& format, const CMediaSample& sample) {
    if (const AVFrame* lent = sample.LentFrame()) return PresentFrame(format, *lent);
    return Present(format, sample.Data(), sample.GetActualDataLength());
}

void CVideoFrameStore::Publish(std::shared_ptr<VideoFrame> frame) {
    std::lock_guard<std::mutex> lock(lock_);
    frame->serial = ++serial_;
    frame_ = std::move(frame);
    if (widget_ && !updatePending_) {
        updatePending_ = true;
        // Posting is safe under the lock: the widget detaches (taking the lock) before it
        // is destroyed, and Qt drops queued calls to a destroyed context.
        QWidget* w = widget_;
        QMetaObject::invokeMethod(
            w, [w] { w->update(); }, Qt::QueuedConnection);
    }
}

YuvPlanes VideoFrame::Planes() const {
    YuvPlanes planes;
    if (lent) {
        for (int i = 0; i < 3; ++i) {
            planes.plane[i] = lent->data[i];
            planes.stride[i] = lent->linesize[i];
        }
        return planes;
    }
    const int w = format.width, h = format.height;
    const uint8_t* y = data.data();
    const uint8_t* v = y + size_t(w) * size_t(h);
    const uint8_t* u = v + size_t(w / 2) * size_t(h / 2);
    planes.plane[0] = y;
    planes.plane[1] = u;
    planes.plane[2] = v;
    planes.stride[0] = w;
    planes.stride[1] = planes.stride[2] = w / 2;
    return planes;
}

std::shared_ptr<const VideoFrame> CVideoFrameStore::Latest() {
    std::lock_guard<std::mutex> lock(lock_);
    updatePending_ = false;
    return frame_;
}

void CVideoFrameStore::Attach(QWidget* widget) {
    std::lock_guard<std::mutex> lock(lock_);
    widget_ = widget;
    updatePending_ = false;
}

void CVideoFrameStore::Detach(QWidget* widget) {
    std::lock_guard<std::mutex> lock(lock_);
    if (widget_ == widget) widget_ = nullptr;
}

void CVideoFrameStore::Clear() {
    std::lock_guard<std::mutex> lock(lock_);
    frame_.reset();
}

}  // namespace zvp
