#include "subtitle/CSubtitleBitmap.h"

#include "app/Logger.h"

namespace zvp {

namespace {

bool UsableBitmap(const AVSubtitle* s) {
    if (!s || s->num_rects == 0 || !s->rects || !s->rects[0]) return false;
    const AVSubtitleRect* r = s->rects[0];
    return r->type == SUBTITLE_BITMAP && r->w > 0 && r->h > 0 && r->data[0] && r->data[1] &&
           r->linesize[0] >= r->w && r->nb_colors > 0 && r->nb_colors <= 256 && r->w <= 16384 &&
           r->h <= 16384;
}

inline uint32_t PaletteColor(const AVSubtitleRect* r, uint8_t index) {
    if (index >= r->nb_colors) return 0;
    return reinterpret_cast<const uint32_t*>(r->data[1])[index];
}

}  // namespace

bool CSubtitleBitmap::Open(int kind, SubtitleData data) {
    if (kind != kSubtitleBitmap) return false;
    if (!UsableBitmap(data.subtitle.get())) {
        Log(LogPoint{"CSubtitleBitmap::Open", kLogDebug}, "Not a bitmap subtitle; ignored");
        return false;
    }
    AVSubtitlePtr old;
    MutexLock lock(state_lock_);
    old = std::move(subtitle_);
    subtitle_ = std::move(data.subtitle);
    overlay_ready_ = false;
    return true;
}

void CSubtitleBitmap::Clear() {
    AVSubtitlePtr old;
    MutexLock lock(state_lock_);
    old = std::move(subtitle_);
    overlay_ready_ = false;
}

void CSubtitleBitmap::OnSeek(int64_t) {
    Clear();
}

bool CSubtitleBitmap::has_bitmap() {
    MutexLock lock(state_lock_);
    return subtitle_ != nullptr;
}

void CSubtitleBitmap::BuildOverlay() {
    const AVSubtitleRect* r = subtitle_->rects[0];
    uint8_t* overlay = PrepareOverlay(static_cast<size_t>(r->w) * r->h * 4);
    for (int y = 0; y < r->h; ++y) {
        const uint8_t* src = r->data[0] + static_cast<size_t>(y) * r->linesize[0];
        uint8_t* dst = overlay + static_cast<size_t>(y) * r->w * 4;
        for (int x = 0; x < r->w; ++x) {
            const uint32_t p = PaletteColor(r, src[x]);
            if (p == 0) continue;
            dst[x * 4 + 0] = uint8_t(p);        // blue
            dst[x * 4 + 1] = uint8_t(p >> 8);   // green
            dst[x * 4 + 2] = uint8_t(p >> 16);  // red
            dst[x * 4 + 3] = uint8_t(p >> 24);  // alpha
        }
    }
    PrepareYuvOverlay(overlay, r->w, r->h, yuv_);
    overlay_ready_ = true;
}

void CSubtitleBitmap::Render(const SubtitleFrame& frame, const std::shared_ptr<CSubtitleRenderer>&,
                             int&) {
    if (!frame.data) return;
    MutexLock lock(state_lock_);
    if (!subtitle_) return;
    const AVSubtitleRect* r = subtitle_->rects[0];
    if (!frame.rgb24) {
        if (!overlay_ready_) BuildOverlay();
        BlendYuvOverlay(frame, yuv_, OverlayRect{r->x, r->y, r->w, r->h});
        return;
    }
    const int stride = FrameStride(frame);
    for (int y = 0; y < r->h; ++y) {
        const int py = r->y + y;
        if (py < 0 || py >= frame.height) continue;
        const uint8_t* src = r->data[0] + static_cast<size_t>(y) * r->linesize[0];
        uint8_t* row = frame.data + static_cast<size_t>(frame.height - 1 - py) * stride;
        for (int x = 0; x < r->w; ++x) {
            const int px = r->x + x;
            if (px < 0 || px >= frame.width) continue;
            const uint32_t p = PaletteColor(r, src[x]);
            const int a = int(p >> 24);
            if (p == 0 || a == 0) continue;
            uint8_t* dst = row + px * 3;
            const uint8_t bgr[3] = {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)};
            for (int c = 0; c < 3; ++c) dst[c] = uint8_t((a * bgr[c] + (255 - a) * dst[c]) / 255);
        }
    }
}

}  // namespace zvp
