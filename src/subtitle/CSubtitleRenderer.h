#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "subtitle/ISubtitleHost.h"
#include "subtitle/SubtitleHandles.h"

namespace zvp {

class CAssTrack;

// The libass message hook installed on every library: messages of libass level below 6 are
// logged at level 1 under "ass_msg_callback"; the others are dropped. Any thread.
void ass_msg_callback(int level, const char* format, va_list args, void* data);

// One libass library and renderer set up for a frame size and a font file, together with
// the subtitle settings read when it was set up (the style imposed on every track it draws).
//
// Shared ownership: the registry holds the current renderer; every track made on it holds it
// too (a libass track can only be drawn by a renderer of the library it was made on), so a
// renderer replaced by ResetSubtitleRenderer lives until its last track and its last
// picture in flight are gone.
//
// Threads: NewTrack, ReadFile and the accessors may be called from any thread. RenderFrame
// serialises drawing with `render_lock_`, held for one ass_render_frame and the caller's use
// of its images (one picture).
class CSubtitleRenderer : public std::enable_shared_from_this<CSubtitleRenderer> {
  public:
    // libass's cache of rendered bitmaps, in MiB (its cache of combined bitmaps gets half).
    // Its own default keeps up to 192 MiB, which text that changes on every picture fills
    // with bitmaps never drawn again, each on fresh pages; this size still holds every
    // bitmap an animated line reuses.
    static constexpr int kBitmapCacheMegabytes = 32;

    // Creates the library and renderer for `width` x `height` with `fontFile` as the only
    // font (no system font provider). Null when libass cannot be initialised.
    static std::shared_ptr<CSubtitleRenderer> Create(int width, int height,
                                                     const std::string& fontFile,
                                                     const SubtitleSettings& settings);

    int width() const { return width_; }
    int height() const { return height_; }
    const SubtitleSettings& settings() const { return settings_; }
    const std::string& font_file() const { return font_file_; }

    // An empty track on this renderer's library. Empty handle when libass fails.
    CAssTrack NewTrack();
    // Reads an ASS file (UTF-8) into a track. Empty handle when libass cannot read it.
    CAssTrack ReadFile(const std::string& path);

    // Renders `track` at `timeMs` and hands the image list (possibly null) to `use` while the
    // render lock is held. The images are valid only inside `use`.
    void RenderFrame(ASS_Track* track, int64_t timeMs,
                     const std::function<void(const ASS_Image*)>& use);

    CSubtitleRenderer(const CSubtitleRenderer&) = delete;
    CSubtitleRenderer& operator=(const CSubtitleRenderer&) = delete;

  private:
    CSubtitleRenderer() = default;

    // Declared before renderer_: destroyed after it.
    AssLibraryPtr library_;
    AssRendererPtr renderer_;  // guarded by render_lock_ after Create
    std::mutex render_lock_;
    int width_ = 0;
    int height_ = 0;
    std::string font_file_;
    SubtitleSettings settings_;
};

// A libass track with the renderer it was made on. Move-only; the track is freed before the
// renderer reference is dropped. One thread at a time (the owner's lock guards it).
class CAssTrack {
  public:
    CAssTrack() = default;
    CAssTrack(std::shared_ptr<CSubtitleRenderer> renderer, AssTrackPtr track)
        : renderer_(std::move(renderer)), track_(std::move(track)) {}
    CAssTrack(CAssTrack&&) noexcept = default;
    CAssTrack& operator=(CAssTrack&& other) noexcept {
        track_ = std::move(other.track_);
        renderer_ = std::move(other.renderer_);
        return *this;
    }
    ~CAssTrack() { track_.reset(); }

    explicit operator bool() const { return track_ != nullptr; }
    ASS_Track* get() const { return track_.get(); }
    ASS_Track* operator->() const { return track_.get(); }
    const std::shared_ptr<CSubtitleRenderer>& renderer() const { return renderer_; }

  private:
    // Declared first: destroyed last.
    std::shared_ptr<CSubtitleRenderer> renderer_;
    AssTrackPtr track_;
};

}  // namespace zvp
