#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Mutex.h"
#include "subtitle/CSubtitleRenderer.h"
#include "subtitle/ISubtitleHost.h"
#include "subtitle/SubtitleBlend.h"
#include "subtitle/SubtitleHandles.h"

namespace zvp {

// Subtitle kinds of the registry.
inline constexpr int kSubtitleBitmap = 1;     // palette bitmap from the video's subtitle stream
inline constexpr int kSubtitleText = 3;       // ASS dialogue from the video's subtitle stream
inline constexpr int kSubtitleExternal = 10;  // an SRT or ASS file beside the media

// What `Open` receives; the member used depends on the kind.
struct SubtitleData {
    // Kind 3: one or more ASS lines as the decoder produced them, either "Dialogue: ..."
    // lines or libavcodec's event form "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,
    // Effect,Text". Kind 10: the media file's name or a subtitle file the user picked.
    std::string text;
    // Kind 3 in event form: the display window in ms of media time (start < 0: from 0;
    // end < 0: until replaced).
    int64_t start_ms = -1;
    int64_t end_ms = -1;
    // Kind 1: the decoded subtitle; its first rectangle is the palette bitmap shown.
    AVSubtitlePtr subtitle;
    // Kind 10: `text` is a subtitle file the user picked, not a media file.
    bool picked = false;
};

// A subtitle that draws onto every picture until its content is replaced or cleared. The
// objects live in the process-wide registry below.
//
// Threads: Render runs on the video pin's streaming thread; Open of kinds 1 and 3 too;
// RenderAhead on the registry's worker thread. Open
// of kind 10, Clear, Rebuild and OnSeek run on the UI (or seeking, or loading) thread. Each
// object guards its content with `state_lock_`; Render holds it for one picture, the other
// operations only to swap prepared content in or out.
class CSubtitle {
  public:
    CSubtitle(int kind, int index) : kind_(kind), index_(index) {}
    virtual ~CSubtitle() = default;

    // Takes new content; false when the object refused it (wrong kind, unusable data, a file
    // that cannot be prepared), its previous content then stays.
    virtual bool Open(int kind, SubtitleData data) = 0;
    // Draws onto `frame` with `renderer` (the current one; may be null before Setup), stacking
    // above `baseline` (the bottom of the free space, moved up past what was drawn).
    virtual void Render(const SubtitleFrame& frame,
                        const std::shared_ptr<CSubtitleRenderer>& renderer, int& baseline) = 0;
    virtual void Clear() {}
    virtual void Rebuild() {}
    virtual void OnSeek(int64_t position) {}
    // False when Render certainly draws nothing now (an external file object with no file
    // shown). Any thread; must not wait for a picture being drawn.
    virtual bool MayDraw() const { return true; }
    // Renders what the picture of `timeMs` (RGB24 or YV12) will show and keeps it for its
    // Render, which then only blends; `clock` times it. Nothing by default.
    virtual void RenderAhead(int64_t timeMs, bool rgb24,
                             const std::shared_ptr<CSubtitleRenderer>& renderer,
                             ISubtitleHost& clock) {}

    int kind() const { return kind_; }
    int index() const { return index_; }

    // Sets the process up for pictures of `width` x `height`: a new libass library and
    // renderer with the font chosen from the settings (get_app_font_file); the settings read
    // now style every track until the next Setup. Returns false when libass fails (nothing
    // is drawn then). UI thread.
    static bool Setup(int width, int height);

    CSubtitle(const CSubtitle&) = delete;
    CSubtitle& operator=(const CSubtitle&) = delete;

  protected:
    // The overlay grown to at least `bytes` (never shrunk) with its first `bytes` cleared.
    // Caller holds state_lock_.
    uint8_t* PrepareOverlay(size_t bytes) REQUIRES(state_lock_);

    Mutex state_lock_;
    std::vector<uint8_t> overlay_ GUARDED_BY(state_lock_);  // BGRA

  private:
    const int kind_;
    const int index_;
};

// --- The process-wide registry. ---
//
// Threads: RenderSubtitles and OpenSubtitle (kinds 1, 3) on the streaming thread; the others
// on the UI or seeking thread. The registry lock is held only to look up, add or take out
// objects and the renderer, never while an object runs; an object or renderer taken out by
// ShutdownSubtitles or ResetSubtitleRenderer while a picture is being drawn is destroyed
// when that picture is done. (The registry's members are annotated GUARDED_BY its lock in
// the source file; the functions below take it themselves and must not be called by an
// object while its own `state_lock_` is held.)

// The host used by the subsystem; the application's own (CAppSubtitleHost) unless another
// was installed.
void SetSubtitleHost(std::shared_ptr<ISubtitleHost> host);
std::shared_ptr<ISubtitleHost> GetSubtitleHost();

// The renderer made by the last Setup, or null.
std::shared_ptr<CSubtitleRenderer> CurrentSubtitleRenderer();

// Written by the video pin before each picture: pictures are RGB24 (true) or YV12.
void SetSubtitleOutputRgb24(bool rgb24);
bool SubtitleOutputRgb24();

// Finds the object of (kind, index), creating a CSubtitleBitmap (1), CSubtitleAss (3) or
// CSubtitleFile (10) when there is none, and hands it `data`; the object's Open result. Other
// kinds create nothing and return false.
bool OpenSubtitle(int kind, int index, SubtitleData data);
bool OpenSubtitle(int kind, int index, const std::string& text);

// True while any registered object may draw (CSubtitle::MayDraw), that is while
// RenderSubtitles may change a picture. A picture decided without subtitles on false may miss
// an object registered or a file shown just after. Streaming thread.
bool AnySubtitles();

// Lets every object draw onto the picture, in registry order, with the same baseline
// (the video pin passes picture height - 32). `stride` is the first plane's row length in
// bytes (0: width for YV12, the 4-byte padded row for RGB24).
void RenderSubtitles(uint8_t* picture, int width, int height, int64_t timeMs, int& baseline,
                     int stride);
// As above with the picture format given instead of read from SetSubtitleOutputRgb24, and for
// a YV12 picture optionally a `canvas` (not owned) that prepares the rows drawn on first.
void RenderSubtitles(uint8_t* picture, int width, int height, int64_t timeMs, int& baseline,
                     int stride, bool rgb24, ISubtitleCanvas* canvas = nullptr);

// Hands the picture of `timeMs` to the registry's worker, which lets every object render it
// ahead (RenderAhead) while the caller decodes that picture; replaces a request the worker
// has not started. RenderSubtitles for the same time and format waits while the worker
// renders it and then only blends; a request not yet started is dropped and the picture
// rendered as usual, as is one of another time. The worker thread starts on first use
// and ends in ShutdownSubtitles. Streaming thread.
void RenderSubtitlesAhead(int64_t timeMs, bool rgb24);

void ClearSubtitles(int kind);
void SeekSubtitles(int64_t position);
// Releases the renderer and every object, and the converted subtitle files of this process.
void ShutdownSubtitles();
// New renderer for the stored frame size with the current settings, then Rebuild of every
// object (the external file's track takes the new style).
void ResetSubtitleRenderer();

// Applies the settings' style (as read by the last Setup, for its frame height) to `track`'s
// first style; does nothing before Setup.
void ApplyStyle(ASS_Track* track);

// The registered objects in order (tests, diagnostics).
std::vector<std::shared_ptr<CSubtitle>> RegisteredSubtitles();

}  // namespace zvp
