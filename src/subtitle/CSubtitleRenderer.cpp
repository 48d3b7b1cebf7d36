#include "subtitle/CSubtitleRenderer.h"

#include <cstdio>

#include "app/Logger.h"

namespace zvp {

void ass_msg_callback(int level, const char* format, va_list args, void*) {
    if (level >= 6) return;
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    Log(LogPoint{"ass_msg_callback", kLogInfo}, "%s", line);
}

std::shared_ptr<CSubtitleRenderer> CSubtitleRenderer::Create(int width, int height,
                                                             const std::string& fontFile,
                                                             const SubtitleSettings& settings) {
    std::shared_ptr<CSubtitleRenderer> self(new CSubtitleRenderer());
    self->width_ = width;
    self->height_ = height;
    self->font_file_ = fontFile;
    self->settings_ = settings;
    self->library_.reset(ass_library_init());
    if (!self->library_) {
        Log(LogPoint{"CSubtitle::Setup", kLogError}, "ass_library_init failed");
        return nullptr;
    }
    ass_set_message_cb(self->library_.get(), ass_msg_callback, nullptr);
    self->renderer_.reset(ass_renderer_init(self->library_.get()));
    if (!self->renderer_) {
        Log(LogPoint{"CSubtitle::Setup", kLogError}, "ass_renderer_init failed");
        return nullptr;
    }
    ASS_Renderer* r = self->renderer_.get();
    ass_set_frame_size(r, width, height);
    const char* font = fontFile.empty() ? nullptr : fontFile.c_str();
    ass_set_fonts(r, font, font, ASS_FONTPROVIDER_NONE, nullptr, 0);
    Log(LogPoint{"CSubtitle::Setup", kLogInfo}, "ass_set_fonts succssfully: %s", fontFile.c_str());
    ass_set_margins(r, 0, 0, 0, 0);
    ass_set_use_margins(r, 0);
    ass_set_font_scale(r, 1.0);
    ass_set_cache_limits(r, 0, kBitmapCacheMegabytes);
    return self;
}

CAssTrack CSubtitleRenderer::NewTrack() {
    return CAssTrack(shared_from_this(), AssTrackPtr(ass_new_track(library_.get())));
}

CAssTrack CSubtitleRenderer::ReadFile(const std::string& path) {
    std::string name = path;  // libass takes a mutable name
    return CAssTrack(shared_from_this(),
                     AssTrackPtr(ass_read_file(library_.get(), name.data(), nullptr)));
}

void CSubtitleRenderer::RenderFrame(ASS_Track* track, int64_t timeMs,
                                    const std::function<void(const ASS_Image*)>& use) {
    std::lock_guard lock(render_lock_);
    int changed = 0;
    const ASS_Image* images = ass_render_frame(renderer_.get(), track, timeMs, &changed);
    use(images);
}

}  // namespace zvp
