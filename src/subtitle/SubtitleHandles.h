#pragma once

// Move-only owners for the libass and FFmpeg subtitle handles this subsystem allocates. A raw
// pointer taken from them (`get()`) never owns.
#include <ass/ass.h>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zvp {

struct AssLibraryDeleter {
    void operator()(ASS_Library* p) const { ass_library_done(p); }
};
struct AssRendererDeleter {
    void operator()(ASS_Renderer* p) const { ass_renderer_done(p); }
};
struct AssTrackDeleter {
    void operator()(ASS_Track* p) const { ass_free_track(p); }
};
// A decoded subtitle allocated with `new` and filled by avcodec_decode_subtitle2: its
// rectangles are released with avsubtitle_free, then the record itself.
struct AVSubtitleDeleter {
    void operator()(AVSubtitle* p) const {
        avsubtitle_free(p);
        delete p;
    }
};

using AssLibraryPtr = std::unique_ptr<ASS_Library, AssLibraryDeleter>;
using AssRendererPtr = std::unique_ptr<ASS_Renderer, AssRendererDeleter>;
using AssTrackPtr = std::unique_ptr<ASS_Track, AssTrackDeleter>;
using AVSubtitlePtr = std::unique_ptr<AVSubtitle, AVSubtitleDeleter>;

// A zeroed subtitle record ready for avcodec_decode_subtitle2.
inline AVSubtitlePtr MakeSubtitle() {
    return AVSubtitlePtr(new AVSubtitle{});
}

}  // namespace zvp
