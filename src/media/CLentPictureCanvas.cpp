#include "media/CLentPictureCanvas.h"

#include <algorithm>
#include <cstring>

#include "graph/LentPicture.h"

namespace zvp {

CLentPictureCanvas::CLentPictureCanvas(const AVFrame& frame, uint8_t* buffer, int width, int height)
    : frame_(frame), buffer_(buffer), width_(width), height_(height) {}

void CLentPictureCanvas::PrepareRows(int top, int bottom) {
    top = std::max(0, top);
    bottom = std::min(height_, bottom);
    if (bottom <= top) return;
    // Whole chroma rows: even ends (the height is even).
    top &= ~1;
    bottom += bottom & 1;
    if (band_.empty()) {
        CopyRows(top, bottom);
        band_ = RowBand{top, bottom};
        return;
    }
    if (top < band_.top) {
        CopyRows(top, band_.top);
        band_.top = top;
    }
    if (bottom > band_.bottom) {
        CopyRows(band_.bottom, bottom);
        band_.bottom = bottom;
    }
}

void CLentPictureCanvas::CopyRows(int top, int bottom) {
    // Packed order Y, V, U; the frame's is Y, U, V.
    const int sources[3] = {0, 2, 1};
    const size_t offsets[3] = {0, Yv12VOffset(width_, height_), Yv12UOffset(width_, height_)};
    for (int i = 0; i < 3; ++i) {
        const int shift = i ? 1 : 0;
        const size_t rowBytes = size_t(width_ >> shift);
        const uint8_t* plane = frame_.data[sources[i]];
        const ptrdiff_t stride = frame_.linesize[sources[i]];
        for (int y = top >> shift; y < bottom >> shift; ++y) {
            std::memcpy(buffer_ + offsets[i] + size_t(y) * rowBytes, plane + y * stride, rowBytes);
        }
        copied_ += rowBytes * size_t((bottom - top) >> shift);
    }
}

}  // namespace zvp
