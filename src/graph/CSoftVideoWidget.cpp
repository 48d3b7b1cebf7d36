#include "graph/CSoftVideoWidget.h"

#include <QPainter>
#include <cstring>

extern "C" {
#include <libswscale/swscale.h>
}

#include "app/Logger.h"

namespace zvp {

void CSoftVideoWidget::SwsDeleter::operator()(SwsContext* c) const {
    sws_freeContext(c);
}

CSoftVideoWidget::CSoftVideoWidget(std::shared_ptr<CVideoFrameStore> store, QWidget* parent)
    : QWidget(parent), store_(std::move(store)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    store_->Attach(this);
}

CSoftVideoWidget::~CSoftVideoWidget() {
    store_->Detach(this);
}

QImage CSoftVideoWidget::Convert(const VideoFrame& f) {
    QImage img;
    return ConvertInto(f, img) ? img : QImage();
}

bool CSoftVideoWidget::ConvertInto(const VideoFrame& f, QImage& img, QImage::Format yv12Format) {
    const int w = f.format.width, h = f.format.height;
    if (w <= 0 || h <= 0 || (!f.lent && f.data.size() < f.format.imageSize)) return false;
    const QImage::Format format =
        f.format.subtype == SubType::RGB24 ? QImage::Format_RGB888 : yv12Format;
    if (img.width() != w || img.height() != h || img.format() != format) img = QImage(w, h, format);
    if (img.isNull()) return false;
    const uint8_t* d = f.data.data();
    if (f.format.subtype == SubType::RGB24) {
        const size_t stride = CMediaType::Rgb24Stride(w);
        for (int row = 0; row < h; ++row) {
            std::memcpy(img.scanLine(row), d + size_t(h - 1 - row) * stride, size_t(w) * 3);
        }
        return true;
    }
    if (!sws_ || swsWidth_ != w || swsHeight_ != h || swsFormat_ != format ||
        swsColour_ != f.format.colour) {
        // Qt's RGB32 is 0xffRRGGBB in native byte order, as is libswscale's.
        const AVPixelFormat out =
            format == QImage::Format_RGB32 ? AV_PIX_FMT_RGB32 : AV_PIX_FMT_RGB24;
        sws_.reset(sws_getContext(w, h, AV_PIX_FMT_YUV420P, w, h, out, SWS_BILINEAR, nullptr,
                                  nullptr, nullptr));
        if (!sws_) {
            Log(LogPoint{"CSoftVideoWidget::Convert", kLogError}, "no scaler for %dx%d", w, h);
            return false;
        }
        const VideoColour colour = f.format.colour;
        const int* table = sws_getCoefficients(SwsColourSpace(colour.matrix));
        // The RGB side's range stays 0: libswscale reads RGB as full range.
        sws_setColorspaceDetails(sws_.get(), table, colour.range == ColourRange::Full ? 1 : 0,
                                 table, 0, 0, 1 << 16, 1 << 16);
        swsWidth_ = w;
        swsHeight_ = h;
        swsFormat_ = format;
        swsColour_ = colour;
    }
    SwsContext* c = sws_.get();
    uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(img.bytesPerLine()), 0, 0, 0};
    // Slices from the top down: the lent frame's rows above the band, the band's, the frame's
    // below it (one slice without a band). Slice ends are even, as 4:2:0 needs.
    const YuvPlanes planes = f.Planes();
    const YuvPlanes band = f.BandPlanes();
    const auto slice = [&](const YuvPlanes& from, int fromRow, int top, int bottom) {
        if (bottom <= top) return;
        const uint8_t* src[4] = {};
        int srcStride[4] = {};
        for (int i = 0; i < 3; ++i) {
            const int shift = i ? 1 : 0;
            src[i] = from.plane[i] + ptrdiff_t((top - fromRow) >> shift) * from.stride[i];
            srcStride[i] = from.stride[i];
        }
        sws_scale(c, src, srcStride, top, bottom - top, dst, dstStride);
    };
    if (f.band.empty()) {
        slice(planes, 0, 0, h);
    } else {
        slice(planes, 0, 0, f.band.top);
        slice(band, f.band.top, f.band.top, f.band.bottom);
        slice(planes, 0, f.band.bottom, h);
    }
    return true;
}

void CSoftVideoWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::shared_ptr<const VideoFrame> frame = store_->Latest();
    if (frame && frame->serial != shown_) {
        if (!ConvertInto(*frame, image_, QImage::Format_RGB32)) image_ = QImage();
        shown_ = frame->serial;
    }
    if (image_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), image_);
}

}  // namespace zvp
