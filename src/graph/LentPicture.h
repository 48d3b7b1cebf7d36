#pragma once

#include <cstddef>
#include <cstdint>

#include "graph/FFmpegPtr.h"
#include "graph/GraphTypes.h"

// Helpers for YV12 pictures lent by a decoder (CMediaSample::LendFrame) and the packed YV12
// layout of a sample's buffer: Y rows of `width` bytes, then V rows, then U rows of
// width / 2 bytes, height / 2 rows each. YV12 pictures have even sizes. Pure functions; any
// thread.
namespace zvp {

// True when `frame` holds 8-bit 4:2:0 planes (Y, U, V) of exactly width x height with rows at
// least as long as the picture's.
bool IsLentPicture(const AVFrame& frame, int width, int height);

// True when `band` is empty, or lies inside a picture of `height` rows with even ends.
bool IsLentBand(RowBand band, int height);

// Offsets in the packed layout of a width x height picture: of the V plane and of the U plane.
size_t Yv12VOffset(int width, int height);
size_t Yv12UOffset(int width, int height);

// Copies luma rows [rows.top, rows.bottom) (even ends, inside the picture) of `frame` and
// the chroma rows below them into `out`, a packed width x height picture, at their places;
// the bytes copied. The frame must be IsLentPicture of that size.
size_t CopyLentRows(const AVFrame& frame, RowBand rows, int width, int height, uint8_t* out);

// Writes the picture a lent sample stands for, packed, to `out` (width x height x 3 / 2
// bytes): the rows of `band` from `bandPicture` (a buffer in the packed layout; only those
// rows are read), every other row from `frame`. False, writing nothing, when the frame or the
// band does not fit the size.
bool PackLentPicture(const AVFrame& frame, RowBand band, const uint8_t* bandPicture, int width,
                     int height, uint8_t* out);

}  // namespace zvp
