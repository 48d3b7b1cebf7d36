#pragma once

namespace zvp {

// A YV12 picture whose rows become writable on demand, such as a decoder's frame that is
// lent to the renderer instead of copied: subtitles drawing on a SubtitleFrame that has a
// canvas call PrepareRows before they write any luma row in [top, bottom) or any chroma row
// under those rows, and write no other row. Called on the thread that renders the picture's
// subtitles, within RenderSubtitles.
class ISubtitleCanvas {
  public:
    virtual ~ISubtitleCanvas() = default;
    // Makes luma rows [top, bottom) of the picture (clipped to it) and the chroma rows under
    // them hold the picture's pixels in the frame's buffer, ready to be drawn on.
    virtual void PrepareRows(int top, int bottom) = 0;
};

}  // namespace zvp
