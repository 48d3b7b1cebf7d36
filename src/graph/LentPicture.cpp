#include "graph/LentPicture.h"

#include <cstring>

namespace zvp {

bool IsLentPicture(const AVFrame& frame, int width, int height) {
    const bool planar420 =
        frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVJ420P;
    return planar420 && frame.width == width && frame.height == height && frame.data[0] &&
           frame.data[1] && frame.data[2] && frame.linesize[0] >= width &&
           frame.linesize[1] >= (width + 1) / 2 && frame.linesize[2] >= (width + 1) / 2;
}

bool IsLentBand(RowBand band, int height) {
    if (band.empty()) return true;
    return band.top >= 0 && band.bottom <= height && band.top % 2 == 0 && band.bottom % 2 == 0;
}

size_t Yv12VOffset(int width, int height) {
    return size_t(width) * size_t(height);
}

size_t Yv12UOffset(int width, int height) {
    return Yv12VOffset(width, height) + size_t(width / 2) * size_t(height / 2);
}

bool PackLentPicture(const AVFrame& frame, RowBand band, const uint8_t* bandPicture, int width,
                     int height, uint8_t* out) {
    if (!out || !IsLentPicture(frame, width, height) || !IsLentBand(band, height) ||
        (!band.empty() && !bandPicture))
        return false;
    // Packed order Y, V, U; the frame's is Y, U, V.
    const int sources[3] = {0, 2, 1};
    const size_t offsets[3] = {0, Yv12VOffset(width, height), Yv12UOffset(width, height)};
    for (int i = 0; i < 3; ++i) {
        const int shift = i ? 1 : 0;
        const int rowBytes = width >> shift, rows = height >> shift;
        const int bandTop = band.top >> shift, bandBottom = band.bottom >> shift;
        const uint8_t* plane = frame.data[sources[i]];
        const int stride = frame.linesize[sources[i]];
        for (int y = 0; y < rows; ++y) {
            const size_t at = offsets[i] + size_t(y) * size_t(rowBytes);
            const uint8_t* row = y >= bandTop && y < bandBottom
                                     ? bandPicture + at
                                     : plane + ptrdiff_t(y) * ptrdiff_t(stride);
            std::memcpy(out + at, row, size_t(rowBytes));
        }
    }
    return true;
}

}  // namespace zvp
