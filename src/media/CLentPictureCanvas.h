#pragma once

#include <cstddef>
#include <cstdint>

#include "graph/FFmpegPtr.h"
#include "graph/GraphTypes.h"
#include "subtitle/ISubtitleCanvas.h"

namespace zvp {

// Lets subtitles draw on a picture that goes to the renderer as the decoder's frame: the rows
// they draw on are copied from the frame into a sample buffer (packed YV12 of the picture's
// size: Y, then V, then U) just before they are drawn on, and only those. What was copied is
// one band of luma rows with even ends, grown to take in every prepared range (with the rows
// between), which the sample then carries beside the frame (CMediaSample::SetLentBand).
//
// Ownership: `frame` and `buffer` are the caller's and outlive the canvas. Threads: the video
// pin's streaming thread, within one RenderSubtitles call.
class CLentPictureCanvas final : public ISubtitleCanvas {
  public:
    // `frame`: 8-bit 4:2:0 planes of width x height (even sizes); `buffer`: at least
    // width x height x 3 / 2 bytes.
    CLentPictureCanvas(const AVFrame& frame, uint8_t* buffer, int width, int height);

    void PrepareRows(int top, int bottom) override;

    // The rows copied so far; empty when nothing was drawn.
    RowBand band() const { return band_; }
    // Bytes copied from the frame so far.
    size_t copied_bytes() const { return copied_; }

  private:
    // Copies luma rows [top, bottom) (even ends) and the chroma rows below them.
    void CopyRows(int top, int bottom);

    const AVFrame& frame_;
    uint8_t* buffer_;
    const int width_;
    const int height_;
    RowBand band_;
    size_t copied_ = 0;
};

}  // namespace zvp
