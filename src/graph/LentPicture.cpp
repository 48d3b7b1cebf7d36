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

size_t CopyLentRows(const AVFrame& frame, RowBand rows, int width, int height, uint8_t* out) {
    // Packed order Y, V, U; the frame's is Y, U, V.
    const int sources[3] = {0, 2, 1};
    const size_t offsets[3] = {0, Yv12VOffset(width, height), Yv12UOffset(width, height)};
    size_t copied = 0;
    for (int i = 0; i < 3; ++i) {
        const int shift = i ? 1 : 0;
        const size_t rowBytes = size_t(width >> shift);
        const uint8_t* plane = frame.data[sources[i]];
        const ptrdiff_t stride = frame.linesize[sources[i]];
        for (int y = rows.top >> shift; y < rows.bottom >> shift; ++y)
            std::memcpy(out + offsets[i] + size_t(y) * rowBytes, plane + y * stride, rowBytes);
        copied += rowBytes * size_t(rows.rows() >> shift);
    }
    return copied;
}

bool PackLentPicture(const AVFrame& frame, RowBand band, const uint8_t* bandPicture, int width,
                     int height, uint8_t* out) {
    if (!out || !IsLentPicture(frame, width, height) || !IsLentBand(band, height) ||
        (!band.empty() && !bandPicture))
        return false;
    if (band.empty()) {
        CopyLentRows(frame, RowBand{0, height}, width, height, out);
        return true;
    }
    // The frame's rows above and below the band, then the band's own rows.
    CopyLentRows(frame, RowBand{0, band.top}, width, height, out);
    CopyLentRows(frame, RowBand{band.bottom, height}, width, height, out);
    // The band's rows of each plane are contiguous in the packed layout.
    const size_t chromaTop = size_t(band.top / 2) * size_t(width / 2);
    const size_t chroma = size_t(band.rows() / 2) * size_t(width / 2);
    const size_t luma = size_t(band.top) * size_t(width);
    std::memcpy(out + luma, bandPicture + luma, size_t(band.rows()) * size_t(width));
    for (const size_t plane : {Yv12VOffset(width, height), Yv12UOffset(width, height)})
        std::memcpy(out + plane + chromaTop, bandPicture + plane + chromaTop, chroma);
    return true;
}

}  // namespace zvp
