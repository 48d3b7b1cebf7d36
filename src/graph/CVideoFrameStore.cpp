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
    return true;
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
