#include "media/CLentPictureCanvas.h"

#include <algorithm>

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
    copied_ += CopyLentRows(frame_, RowBand{top, bottom}, width_, height_, buffer_);
}

}  // namespace zvp
