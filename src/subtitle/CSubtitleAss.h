#pragma once

#include <string>
#include <string_view>

#include "subtitle/CSubtitle.h"

namespace zvp {

// A text subtitle from the video's subtitle stream (kind 3; index 0 or 1), and the drawing
// shared with external files (CSubtitleFile): render at the picture time, centre the
// rendered images on the baseline, keep them at least 2.5 s after they first appeared, blend.
//
// The text is kept as "Dialogue:" lines; a libass track is built from it when it is first
// drawn, and again when the renderer has been replaced, and kept until the text changes.
// Threads as CSubtitle says (RenderAhead on the registry's worker); every member below is
// guarded by state_lock_.
class CSubtitleAss : public CSubtitle {
  public:
    static constexpr int64_t kHoldMs = 2500;
    static constexpr int kStackGap = 5;
    // Longer texts are cut: libass shapes the whole text for every picture, and a text of
    // a megabyte would take seconds per picture.
    static constexpr size_t kMaxTextBytes = 16 * 1024;
    // A picture whose subtitle drawing (libass and blending) takes longer than this, twice
    // in a row, turns this subtitle off for the rest of its life (the media file: the
    // registry is shut down when the next file loads), with one log line.
    static constexpr int64_t kSlowRenderMs = 1000;

    explicit CSubtitleAss(int index) : CSubtitleAss(kSubtitleText, index) {}

    // Kind 3 only: the text replaces the stored one (empty text clears it).
    bool Open(int kind, SubtitleData data) override;
    void Render(const SubtitleFrame& frame, const std::shared_ptr<CSubtitleRenderer>& renderer,
                int& baseline) override;
    void Clear() override;
    void OnSeek(int64_t position) override;
    void RenderAhead(int64_t timeMs, bool rgb24, const std::shared_ptr<CSubtitleRenderer>& renderer,
                     ISubtitleHost& clock) override;

    // The stored "Dialogue:" text (tests, diagnostics).
    std::string text();
    // Turned off by two slow pictures in a row (tests, diagnostics).
    bool turned_off();

    // Turns decoder output into "Dialogue:" lines: lines that already are stay; lines in
    // libavcodec's event form get the display window (start/end in ms, negative: from 0 /
    // open-ended); anything else becomes the text of a dialogue in style "Default".
    static std::string ToDialogueLines(std::string_view text, int64_t startMs, int64_t endMs);

    // The style a dialogue line refers to: the fourth comma-separated field with leading '*'
    // removed; empty with fewer than four fields or when "Dialogue:" is not at the start of
    // the first field.
    static std::string StyleNameOf(std::string_view dialogue);

    // Removes every inline size tag "{\fs<N>}" from `text` when the first one's N is smaller
    // than `styleSize`; returns whether the text changed.
    static bool ApplySizeGuard(std::string& text, double styleSize);

    // Override tags a dialogue keeps: with more than kMaxOverrideTags tags (backslashes inside
    // braces) or "\t(" nested deeper than kMaxTransformDepth, rendering one picture would take
    // seconds; such a dialogue loses every "{...}" block and keeps its text.
    static constexpr size_t kMaxOverrideTags = 256;
    static constexpr int kMaxTransformDepth = 4;
    // True when `text` is over one of those limits.
    static bool HasTooManyTags(std::string_view text);
    // True when a tag would make glyphs, borders or blur far larger than the picture, which
    // takes libass seconds to draw: a font size or letter spacing above kMaxSizeInHeights x
    // `playResY`, a scale above kMaxScalePercent, a border or shadow above `playResY` / 2, a
    // blur above kMaxBlur. Tags are read as libass reads them: a name matches by its start
    // ("sabc(500)" is a font size of 500) and the value is the first bracketed argument
    // when there is one, else what follows the name.
    static constexpr double kMaxSizeInHeights = 2;
    static constexpr double kMaxScalePercent = 1000;
    static constexpr double kMaxBlur = 100;
    static bool HasOversizedTags(std::string_view text, int playResY);
    // Removes every override block from `text` when HasTooManyTags or, with `playResY` above
    // 0, HasOversizedTags; true when it did.
    static bool ApplyTagGuard(std::string& text, int playResY = 0);
    // ApplyTagGuard on every line of `track` for its ScriptHeight: a script may hold many
    // lines, and one oversized tag in any of them makes libass draw gigabytes. Returns how many
    // lines lost their tags.
    static int ApplyTagGuardToEvents(ASS_Track& track);
    // The script height libass lays `track` out in: its PlayResY, else what libass derives
    // from PlayResX, else 288.
    static int ScriptHeight(const ASS_Track& track);
    // Brings every style of `track` within the limits HasOversizedTags puts on tags, for its
    // ScriptHeight: font size and spacing, scale, border and shadow, blur. A style from a
    // damaged or hostile script otherwise makes every line drawn in it far larger than the
    // picture. Returns how many styles changed.
    static int ApplyStyleGuard(ASS_Track& track);

    // The times [from, until) around `timeMs` over which `track` shows the same events as at
    // `timeMs` (libass shows an event from its Start for its Duration). False when one of the
    // events shown is Moving: no two pictures may then be taken to look alike.
    static bool StillAround(const ASS_Track& track, int64_t timeMs, int64_t& from, int64_t& until);
    // True when `event` may look different from one picture to the next. The test is textual
    // and errs on the safe side: an Effect, or a backslash followed (after blanks) by "t", "k",
    // "K", "mov" or "fad" anywhere in the text, which takes in every transform, move, fade and
    // karaoke tag.
    static bool Moving(const ASS_Event& event);

    // Cuts `text` to at most `maxBytes`, not inside a UTF-8 sequence; true when cut.
    static bool CutText(std::string& text, size_t maxBytes);

    // "H:MM:SS.cc" for libass, rounded to the nearest hundredth.
    static std::string FormatAssTime(int64_t ms);

  protected:
    CSubtitleAss(int kind, int index) : CSubtitle(kind, index) {}

    // Draws onto `frame` on `baseline` what was rendered ahead for its time and format, else
    // renders `track` (null: nothing) at frame.time_ms with `renderer` now; the held overlay
    // when nothing is shown. Timed with `clock`'s tick counter (also the tick of the hold),
    // the time rendered ahead included; does nothing once turned off. Caller holds
    // state_lock_ and took `clock` from the registry before.
    void DrawTrack(CSubtitleRenderer* renderer, ASS_Track* track, const SubtitleFrame& frame,
                   int& baseline, ISubtitleHost& clock) REQUIRES(state_lock_);
    // Renders `track` at `timeMs` and prepares the overlay for `rgb24` pictures, kept for the
    // picture of that time and format. Caller holds state_lock_.
    void ProduceAhead(CSubtitleRenderer& renderer, ASS_Track* track, int64_t timeMs, bool rgb24,
                      ISubtitleHost& clock) REQUIRES(state_lock_);
    // A rendering made ahead is ready for `frame`. Caller holds state_lock_.
    bool HasAhead(const SubtitleFrame& frame) const REQUIRES(state_lock_);
    // Forgets the first-shown tick and any rendering made ahead. Caller holds state_lock_.
    void ResetHold() REQUIRES(state_lock_) {
        first_shown_ms_ = 0;
        ahead_valid_ = false;
        still_valid_ = false;
    }

  private:
    // A track of text_ styled for `renderer`; empty when libass fails.
    CAssTrack BuildTrack(CSubtitleRenderer& renderer) REQUIRES(state_lock_);
    // built_, built anew unless it was built from the current text_ for `renderer`; null
    // when libass fails.
    ASS_Track* BuiltTrack(const std::shared_ptr<CSubtitleRenderer>& renderer) REQUIRES(state_lock_);
    // libass's images at `timeMs` painted into the overlay (only when they changed) and
    // converted for the format; true when there is something to show.
    bool Produce(CSubtitleRenderer& renderer, ASS_Track* track, int64_t timeMs, bool rgb24)
        REQUIRES(state_lock_);
    // Converts the overlay for `rgb24` or YV12 pictures unless done, so that a picture
    // rendered ahead only blends.
    void ConvertOverlay(bool rgb24) REQUIRES(state_lock_);
    // Places and blends the overlay (or the held one) onto `frame`.
    void Place(const SubtitleFrame& frame, int& baseline, int64_t nowMs, bool drawn)
        REQUIRES(state_lock_);

    std::string text_;            // "Dialogue:" lines; empty: nothing to draw
    std::string style_name_;      // of the first line
    CAssTrack built_;             // text_ as a track for built_.renderer(); empty: not built
    int64_t first_shown_ms_ = 0;  // tick when the images last first appeared; 0: not shown
    bool had_images_ = false;     // the last rendering produced images
    OverlayRect rect_;            // where the overlay was drawn last (picture coordinates)
    // The overlay is painted again only when libass's images change.
    std::vector<uint64_t> identity_;  // ImagesIdentity of the images painted into overlay_
    std::vector<uint64_t> scratch_;
    OverlayRect box_;             // the painted images' box, in renderer coordinates
    OverlaySpans spans_;          // the overlay's rows' spans that the images cover
    bool overlay_valid_ = false;  // overlay_ holds the images of identity_
    YuvOverlay yuv_;              // overlay_ converted for YV12 pictures
    bool yuv_valid_ = false;
    Rgb24Overlay rgb_;  // overlay_ converted for RGB24 pictures
    bool rgb_valid_ = false;
    int produced_width_ = 0;  // the renderer's width at the last rendering
    // libass is not asked again while the track shows what it showed at the last rendering
    // (StillAround): the result of that rendering stands for every time in [still_from_,
    // still_until_) of the same track, renderer and event count. Tracks are compared by
    // address, so whoever replaces or rebuilds a track clears still_valid_ (ResetHold,
    // BuildTrack). A track is never handed to another renderer nor given events after it is
    // built today; still_renderer_ and still_events_ keep the interval honest should either
    // change, at the cost of two compares.
    bool still_valid_ = false;
    const ASS_Track* still_track_ = nullptr;
    const CSubtitleRenderer* still_renderer_ = nullptr;
    int still_events_ = 0;
    int64_t still_from_ = 0;
    int64_t still_until_ = 0;
    bool still_drawn_ = false;  // what Produce returned then
    // The rendering made ahead (RenderAhead) for the picture of ahead_time_ms_ and format.
    bool ahead_valid_ = false;
    int64_t ahead_time_ms_ = 0;
    bool ahead_rgb24_ = false;
    bool ahead_drawn_ = false;
    int64_t ahead_took_ms_ = 0;
    int slow_in_a_row_ = 0;    // pictures in a row that took over kSlowRenderMs
    bool turned_off_ = false;  // nothing is drawn any more
};

}  // namespace zvp
