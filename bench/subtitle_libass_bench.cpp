// libass's own cost for a subtitle file: the file prepared and styled as the player does
// (an SRT converted to ASS, the settings' style, the same font and frame size), then
// ass_render_frame alone at the pictures' times, timed in thread CPU time. A second pass
// renders the same pictures again and times what the player does with libass's images on
// top: painting them into the overlay (box, spans, clearing, painting) and converting it for
// YV12 pictures, each over the pictures whose images changed.
//
//   subtitle_libass_bench FILE WIDTH HEIGHT COUNT [STEP_MS [FIRST_MS]]
//
// Prints "libass ms per picture: X" (COUNT renderings at FIRST_MS, FIRST_MS + STEP_MS, ...;
// defaults 40 and 0) and how many of them produced images; then "overlay paint ms per
// picture" and "overlay conversion ms per picture" (per picture rendered).
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitleFile.h"
#include "subtitle/CSubtitleRenderer.h"
#include "subtitle/SubtitleBlend.h"
#include "subtitle/SubtitleFonts.h"
#include "subtitle/SubtitleStyle.h"

using namespace zvp;

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: subtitle_libass_bench FILE WIDTH HEIGHT COUNT [STEP_MS [FIRST_MS]]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    const int count = std::atoi(argv[4]);
    const double step = argc > 5 ? std::atof(argv[5]) : 40.0;
    const double first = argc > 6 ? std::atof(argv[6]) : 0.0;
    if (width <= 0 || height <= 0 || count <= 0 || step <= 0) return 2;

    auto host = std::make_shared<CMemorySubtitleHost>();
    SetSubtitleHost(host);
    const std::string prepared = CSubtitleFile::ConvertToAss(file);
    const SubtitleSettings settings = host->ReadSettings();
    std::shared_ptr<CSubtitleRenderer> renderer =
        CSubtitleRenderer::Create(width, height, get_app_font_file(*host), settings);
    if (!renderer || prepared.empty()) {
        std::fprintf(stderr, "cannot prepare %s\n", file.c_str());
        return 1;
    }
    CAssTrack track = renderer->ReadFile(prepared);
    if (!track) {
        std::fprintf(stderr, "libass cannot read %s\n", prepared.c_str());
        return 1;
    }
    ApplyStyle(track.get(), settings, height);

    int withImages = 0;
    const double cpu0 = ThreadCpuMs();
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<int64_t>(first + step * i);
        renderer->RenderFrame(track.get(), at, [&](const ASS_Image* images) {
            if (images) ++withImages;
        });
    }
    const double cpu = ThreadCpuMs() - cpu0;
    std::printf("pictures rendered: %d\n", count);
    std::printf("pictures with images: %d\n", withImages);
    std::printf("libass ms per picture: %.4f\n", cpu / count);

    // The overlay stages, as CSubtitleAss::Produce runs them.
    std::vector<uint64_t> identity, last;
    std::vector<uint8_t> overlay;
    OverlaySpans spans;
    YuvOverlay yuv;
    double paintMs = 0, convertMs = 0;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<int64_t>(first + step * i);
        renderer->RenderFrame(track.get(), at, [&](const ASS_Image* images) {
            if (!images) return;
            ImagesIdentity(images, identity);
            if (identity == last) return;
            last.swap(identity);
            const double t0 = ThreadCpuMs();
            const OverlayRect box = PaintOverlay(images, width, height, overlay, spans);
            if (box.empty()) return;
            const double t1 = ThreadCpuMs();
            PrepareYuvOverlay(overlay.data(), box.width, box.height, yuv, &spans);
            paintMs += t1 - t0;
            convertMs += ThreadCpuMs() - t1;
        });
    }
    std::printf("overlay paint ms per picture: %.4f\n", paintMs / count);
    std::printf("overlay conversion ms per picture: %.4f\n", convertMs / count);
    track = CAssTrack();
    renderer.reset();
    CSubtitleFile::RemoveConvertedFiles();
    return 0;
}
