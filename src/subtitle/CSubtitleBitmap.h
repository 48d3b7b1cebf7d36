#pragma once

#include "subtitle/CSubtitle.h"

namespace zvp {

// A picture subtitle from the video's subtitle stream (kind 1, index 0): the first
// rectangle of the last decoded bitmap subtitle, drawn onto every picture until the next one
// replaces it, Clear or a seek. The rectangle is libavcodec's: one palette index per pixel
// and a palette of native-endian 0xAARRGGBB colours; colours with alpha 0 are transparent.
//
// Threads as CSubtitle says; the members are guarded by state_lock_.
class CSubtitleBitmap : public CSubtitle {
  public:
    explicit CSubtitleBitmap(int index) : CSubtitle(kSubtitleBitmap, index) {}

    // Kind 1 with a subtitle whose first rectangle is a bitmap: replaces the shown one.
    // Anything else is ignored.
    bool Open(int kind, SubtitleData data) override;
    // RGB24: palette colours blended by their alpha (opaque ones copied) into the bottom-up
    // rows. YV12: the BGRA overlay built from the rectangle blended as text overlays are.
    void Render(const SubtitleFrame& frame, const std::shared_ptr<CSubtitleRenderer>& renderer,
                int& baseline) override;
    void Clear() override;
    void OnSeek(int64_t position) override;

    bool has_bitmap();

  private:
    // Builds overlay_ from the rectangle. Caller holds state_lock_.
    void BuildOverlay() REQUIRES(state_lock_);

    AVSubtitlePtr subtitle_;      // owns the rectangle shown; null: nothing to draw
    bool overlay_ready_ = false;  // overlay_ and yuv_ hold subtitle_'s first rectangle
    YuvOverlay yuv_;
};

}  // namespace zvp
