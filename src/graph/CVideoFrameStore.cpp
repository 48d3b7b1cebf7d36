#include "graph/CVideoFrameStore.h"

#include <QMetaObject>
#include <QWidget>
#include <cstring>
#include <utility>

#include "app/Logger.h"
#include "graph/LentPicture.h"

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
    {
        std::lock_guard<std::mutex> lock(lock_);
        frame->data.swap(spare_);
    }
    frame->data.assign(data, data + format.imageSize);
    Publish(std::move(frame));
    return true;
}

bool CVideoFrameStore::PresentFrame(const VideoFormat& format, const AVFrame& lent, RowBand band,
                                    const uint8_t* bandPicture, long bandPictureBytes) {
    const int w = format.width, h = format.height;
    if (format.subtype != SubType::YV12 || w % 2 != 0 || h % 2 != 0 || !IsLentPicture(lent, w, h)) {
        Log(LogPoint{"CVideoFrameStore::PresentFrame", kLogError},
            "lent picture %dx%d (format %d) does not fit %dx%d YV12; dropped", lent.width,
            lent.height, lent.format, format.width, format.height);
        return false;
    }
    if (!band.empty() && (!IsLentBand(band, h) || !bandPicture || bandPictureBytes < 0 ||
                          uint64_t(bandPictureBytes) < format.imageSize)) {
        Log(LogPoint{"CVideoFrameStore::PresentFrame", kLogError},
            "rows %d to %d drawn on a lent %dx%d picture do not fit it; dropped", band.top,
            band.bottom, w, h);
        return false;
    }
    auto frame = std::make_shared<VideoFrame>();
    frame->format = format;
    if (!band.empty()) {
        // Y rows, V rows, U rows of the band, each plane's rows contiguous in the picture.
        const size_t luma = size_t(band.rows()) * size_t(w);
        const size_t chroma = size_t(band.rows() / 2) * size_t(w / 2);
        frame->data.resize(luma + 2 * chroma);
        const size_t chromaTop = size_t(band.top / 2) * size_t(w / 2);
        std::memcpy(frame->data.data(), bandPicture + size_t(band.top) * size_t(w), luma);
        std::memcpy(frame->data.data() + luma, bandPicture + Yv12VOffset(w, h) + chromaTop, chroma);
        std::memcpy(frame->data.data() + luma + chroma, bandPicture + Yv12UOffset(w, h) + chromaTop,
                    chroma);
        frame->band = band;
    }
    frame->lent.reset(av_frame_clone(&lent));
    if (!frame->lent) {
        Log(LogPoint{"CVideoFrameStore::PresentFrame", kLogError}, "out of memory; dropped");
        return false;
    }
    Publish(std::move(frame));
    return true;
}

bool CVideoFrameStore::PresentSample(const VideoFormat& format, const CMediaSample& sample) {
    if (const AVFrame* lent = sample.LentFrame())
        return PresentFrame(format, *lent, sample.LentBand(), sample.Data(),
                            sample.GetActualDataLength());
    return Present(format, sample.Data(), sample.GetActualDataLength());
}

void CVideoFrameStore::Publish(std::shared_ptr<VideoFrame> frame) {
    std::shared_ptr<VideoFrame> previous;  // released after the lock
    std::lock_guard<std::mutex> lock(lock_);
    frame->serial = ++serial_;
    previous = std::exchange(frame_, std::move(frame));
    // Only this store can hand out references, under the lock: a count of one is final.
    if (previous && previous.use_count() == 1 && !previous->lent) spare_.swap(previous->data);
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

YuvPlanes VideoFrame::BandPlanes() const {
    YuvPlanes planes;
    if (!lent || band.empty()) return planes;
    const int w = format.width;
    const size_t luma = size_t(band.rows()) * size_t(w);
    const size_t chroma = size_t(band.rows() / 2) * size_t(w / 2);
    planes.plane[0] = data.data();
    planes.plane[2] = data.data() + luma;  // V
    planes.plane[1] = data.data() + luma + chroma;
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
    std::shared_ptr<VideoFrame> previous;  // released after the lock
    std::vector<uint8_t> spare;
    std::lock_guard<std::mutex> lock(lock_);
    previous.swap(frame_);
    spare.swap(spare_);
}

}  // namespace zvp
