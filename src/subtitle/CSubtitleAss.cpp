#include "subtitle/CSubtitleAss.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "app/Logger.h"
#include "subtitle/SubtitleStyle.h"

namespace zvp {

namespace {

constexpr std::string_view kDialogue = "Dialogue:";

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Splits `line` at the first `count` commas; the last piece keeps the rest.
std::vector<std::string_view> SplitFields(std::string_view line, size_t count) {
    std::vector<std::string_view> fields;
    while (fields.size() < count) {
        const size_t comma = line.find(',');
        if (comma == std::string_view::npos) break;
        fields.push_back(line.substr(0, comma));
        line.remove_prefix(comma + 1);
    }
    fields.push_back(line);
    return fields;
}

}  // namespace

std::string CSubtitleAss::FormatAssTime(int64_t ms) {
    if (ms < 0) ms = 0;
    const int64_t cs = (ms + 5) / 10;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%" PRId64 ":%02d:%02d.%02d", cs / 360000, int(cs / 6000 % 60),
                  int(cs / 100 % 60), int(cs % 100));
    return buf;
}

std::string CSubtitleAss::ToDialogueLines(std::string_view text, int64_t startMs, int64_t endMs) {
    const std::string start = FormatAssTime(startMs < 0 ? 0 : startMs);
    const std::string end = endMs < 0 ? std::string("99:59:59.99") : FormatAssTime(endMs);
    std::string out;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line).empty()) continue;
        if (line.substr(0, kDialogue.size()) == kDialogue) {
            out.append(line);
        } else {
            // Event form: ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text.
            std::vector<std::string_view> f = SplitFields(line, 8);
            out.append("Dialogue: ");
            if (f.size() == 9 && AllDigits(f[0]) && AllDigits(Trim(f[1]))) {
                out.append(f[1]).append(",").append(start).append(",").append(end);
                for (size_t i = 2; i < 9; ++i) out.append(",").append(f[i]);
            } else {
                out.append("0,").append(start).append(",").append(end);
                out.append(",Default,,0,0,0,,").append(line);
            }
        }
        out.append("\n");
    }
    return out;
}

std::string CSubtitleAss::StyleNameOf(std::string_view dialogue) {
    const size_t nl = dialogue.find('\n');
    std::vector<std::string_view> f = SplitFields(dialogue.substr(0, nl), 4);
    if (f.size() < 4) return std::string();
    const size_t at = f[0].find(kDialogue);
    if (at != std::string_view::npos && at != 0) return std::string();
    std::string_view name = f[3];
    while (!name.empty() && name.front() == '*') name.remove_prefix(1);
    return std::string(name);
}

bool CSubtitleAss::ApplySizeGuard(std::string& text, double styleSize) {
    // Finds "{\fs<digits>}" at or after `from`; returns its position and length.
    auto find = [&](size_t from, size_t& len, long long& value) -> size_t {
        for (size_t at = text.find("{\\fs", from); at != std::string::npos;
             at = text.find("{\\fs", at + 1)) {
            size_t i = at + 4, digits = 0;
            long long v = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                if (v < 1000000000) v = v * 10 + (text[i] - '0');
                ++i;
                ++digits;
            }
            if (digits > 0 && i < text.size() && text[i] == '}') {
                len = i + 1 - at;
                value = v;
                return at;
            }
        }
        return std::string::npos;
    };
    size_t len = 0;
    long long first = 0;
    size_t at = find(0, len, first);
    if (at == std::string::npos || !(double(first) < styleSize)) return false;
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    long long ignored = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        from = at + len;
        at = find(from, len, ignored);
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
    return true;
}

bool CSubtitleAss::HasTooManyTags(std::string_view text) {
    size_t tags = 0;
    int depth = 0;  // "\t(" opened and not closed in the current block
    bool inBlock = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!inBlock) {
            inBlock = c == '{';
            depth = 0;
        } else if (c == '}') {
            inBlock = false;
        } else if (c == '\\') {
            if (++tags > kMaxOverrideTags) return true;
            if (text.substr(i + 1, 2) == "t(" && ++depth > kMaxTransformDepth) return true;
        } else if (c == ')' && depth > 0) {
            --depth;
        }
    }
    return false;
}

bool CSubtitleAss::HasOversizedTags(std::string_view text, int playResY) {
    const double height = playResY > 0 ? playResY : 288;  // libass's default script height
    struct Limit {
        std::string_view prefix;
        double max;
    };
    // In the order libass tries them: the longer names before their prefixes.
    const Limit limits[] = {
        {"xbord", height / 2},
        {"ybord", height / 2},
        {"xshad", height / 2},
        {"yshad", height / 2},
        {"fscx", kMaxScalePercent},
        {"fscy", kMaxScalePercent},
        {"fsp", kMaxSizeInHeights * height},
        {"fs", kMaxSizeInHeights * height},
        {"bord", height / 2},
        {"shad", height / 2},
        {"blur", kMaxBlur},
        {"be", kMaxBlur},
    };
    bool inBlock = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!inBlock) {
            inBlock = c == '{';
            continue;
        }
        if (c == '}') {
            inBlock = false;
            continue;
        }
        if (c != '\\') continue;
        // The name runs to a bracket, the next tag or the block's end.
        const size_t nameStart = i + 1;
        size_t nameEnd = nameStart;
        while (nameEnd < text.size() && text[nameEnd] != '(' && text[nameEnd] != '\\' &&
               text[nameEnd] != '}')
            ++nameEnd;
        const std::string_view name = text.substr(nameStart, nameEnd - nameStart);
        for (const Limit& limit : limits) {
            if (name.substr(0, limit.prefix.size()) != limit.prefix) continue;
            std::string_view value = name.substr(limit.prefix.size());
            if (nameEnd < text.size() && text[nameEnd] == '(') {
                value = text.substr(nameEnd + 1);
                value = value.substr(0, value.find_first_of(",)"));
            }
            const std::string number(value.substr(0, 32));
            const double v = std::strtod(number.c_str(), nullptr);
            if (std::fabs(v) > limit.max) return true;
            break;
        }
    }
    return false;
}

bool CSubtitleAss::ApplyTagGuard(std::string& text, int playResY) {
    if (!HasTooManyTags(text) && !(playResY > 0 && HasOversizedTags(text, playResY))) return false;
    std::string out;
    out.reserve(text.size());
    bool inBlock = false;
    for (const char c : text) {
        if (inBlock)
            inBlock = c != '}';
        else if (c == '{')
            inBlock = true;
        else
            out.push_back(c);
    }
    text.swap(out);
    return true;
}

int CSubtitleAss::ApplyTagGuardToEvents(ASS_Track& track) {
    const int height = ScriptHeight(track);
    int guarded = 0;
    for (int i = 0; i < track.n_events; ++i) {
        char*& line = track.events[i].Text;
        if (!line) continue;
        std::string event = line;
        if (!ApplyTagGuard(event, height)) continue;
        std::free(line);
        line = strdup(event.c_str());
        ++guarded;
    }
    return guarded;
}

bool CSubtitleAss::Moving(const ASS_Event& event) {
    if (event.Effect && event.Effect[0] != '\0') return true;
    if (!event.Text) return false;
    const std::string_view text(event.Text);
    for (size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 1)) {
        size_t i = at + 1;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const std::string_view name = text.substr(i, 3);
        if (name.empty()) break;
        if (name[0] == 't' || name[0] == 'k' || name[0] == 'K' || name == "mov" || name == "fad")
            return true;
    }
    return false;
}

bool CSubtitleAss::StillAround(const ASS_Track& track, int64_t timeMs, int64_t& from,
                               int64_t& until) {
    from = std::numeric_limits<int64_t>::min();
    until = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < track.n_events; ++i) {
        const ASS_Event& event = track.events[i];
        const int64_t start = event.Start;
        int64_t end = 0;
        if (__builtin_add_overflow(start, int64_t(event.Duration), &end))
            end = event.Duration > 0 ? std::numeric_limits<int64_t>::max()
                                     : std::numeric_limits<int64_t>::min();
        if (start > timeMs) {
            until = std::min(until, start);
        } else if (end <= timeMs) {
            from = std::max(from, end);
        } else {
            if (Moving(event)) return false;
            from = std::max(from, start);
            until = std::min(until, end);
        }
    }
    return true;
}

int CSubtitleAss::ScriptHeight(const ASS_Track& track) {
    if (track.PlayResY > 0) return track.PlayResY;
    if (track.PlayResX <= 0) return 288;
    if (track.PlayResX == 1280) return 1024;
    return std::max(1, int(int64_t(track.PlayResX) * 3 / 4));
}

int CSubtitleAss::ApplyStyleGuard(ASS_Track& track) {
    const double height = ScriptHeight(track);
    const auto clamp = [](double& value, double low, double high) {
        const double kept = std::isnan(value) ? low : std::clamp(value, low, high);
        const bool changed = !(kept == value);
        value = kept;
        return changed;
    };
    const double maxSize = kMaxSizeInHeights * height;
    int changed = 0;
    for (int i = 0; i < track.n_styles; ++i) {
        ASS_Style& style = track.styles[i];
        bool any = clamp(style.FontSize, 0, maxSize);
        any |= clamp(style.Spacing, -maxSize, maxSize);
        any |= clamp(style.ScaleX, 0, kMaxScalePercent / 100);
        any |= clamp(style.ScaleY, 0, kMaxScalePercent / 100);
        any |= clamp(style.Outline, 0, height / 2);
        any |= clamp(style.Shadow, -height / 2, height / 2);
        any |= clamp(style.Blur, 0, kMaxBlur);
        if (any) ++changed;
    }
    return changed;
}

bool CSubtitleAss::CutText(std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return false;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return true;
}

bool CSubtitleAss::Open(int kind, SubtitleData data) {
    if (kind != kSubtitleText) return false;
    const size_t size = data.text.size();
    if (CutText(data.text, kMaxTextBytes)) {
        Log(LogPoint{"CSubtitleAss::Open", kLogInfo}, "Subtitle text of %zu bytes cut to %zu", size,
            data.text.size());
    }
    std::string lines = ToDialogueLines(data.text, data.start_ms, data.end_ms);
    std::string style = StyleNameOf(lines);
    CAssTrack old;  // the previous text's track, released after the lock
    MutexLock lock(state_lock_);
    std::swap(built_, old);
    text_.swap(lines);
    style_name_.swap(style);
    ahead_valid_ = false;
    return true;
}

void CSubtitleAss::Clear() {
    std::string old;
    CAssTrack oldTrack;  // released after the lock
    MutexLock lock(state_lock_);
    text_.swap(old);
    std::swap(built_, oldTrack);
    ahead_valid_ = false;
}

void CSubtitleAss::OnSeek(int64_t) {
    MutexLock lock(state_lock_);
    ResetHold();
}

std::string CSubtitleAss::text() {
    MutexLock lock(state_lock_);
    return text_;
}

bool CSubtitleAss::turned_off() {
    MutexLock lock(state_lock_);
    return turned_off_;
}

ASS_Track* CSubtitleAss::BuiltTrack(const std::shared_ptr<CSubtitleRenderer>& renderer) {
    if (!built_ || built_.renderer() != renderer) built_ = BuildTrack(*renderer);
    return built_.get();
}

CAssTrack CSubtitleAss::BuildTrack(CSubtitleRenderer& renderer) {
    still_valid_ = false;  // the new track may sit where the last one was
    CAssTrack track = renderer.NewTrack();
    if (!track) return track;
    ASS_Track* t = track.get();
    t->track_type = ASS_Track::TRACK_TYPE_ASS;
    t->PlayResX = renderer.width();
    t->PlayResY = renderer.height();
    t->Timer = 100.0;
    t->WrapStyle = 0;
    const int sid = ass_alloc_style(t);
    if (sid < 0) return CAssTrack();
    ASS_Style* style = &t->styles[sid];
    ApplyStyleTo(style, renderer.settings(), renderer.height());
    std::free(style->Name);
    style->Name = strdup(style_name_.c_str());

    // Once as codec private data (sets up the event format), once as event data.
    std::string buffer = text_;
    ass_process_codec_private(t, buffer.data(), int(buffer.size()));
    buffer = text_;
    ass_process_data(t, buffer.data(), int(buffer.size()));

    if (ApplyStyleGuard(*t) > 0) {
        Log(LogPoint{"CSubtitleAss::Render", kLogInfo},
            "Subtitle styles drawing far larger than the picture brought within it");
    }
    const int guarded = ApplyTagGuardToEvents(*t);
    if (guarded > 0) {
        Log(LogPoint{"CSubtitleAss::Render", kLogInfo},
            "%d subtitle lines with too many or oversized override tags shown without them",
            guarded);
    }
    // The script may have added styles, moving the array `style` pointed into.
    if (t->n_events > 0 && t->events[0].Text) {
        std::string event = t->events[0].Text;
        if (ApplySizeGuard(event, t->styles[sid].FontSize)) {
            std::free(t->events[0].Text);
            t->events[0].Text = strdup(event.c_str());
        }
    }
    return track;
}

void CSubtitleAss::Render(const SubtitleFrame& frame,
                          const std::shared_ptr<CSubtitleRenderer>& renderer, int& baseline) {
    if (!renderer) return;
    const std::shared_ptr<ISubtitleHost> host = GetSubtitleHost();
    MutexLock lock(state_lock_);
    if (text_.empty() || turned_off_) return;
    if (HasAhead(frame)) {
        DrawTrack(nullptr, nullptr, frame, baseline, *host);
        return;
    }
    if (ASS_Track* track = BuiltTrack(renderer))
        DrawTrack(renderer.get(), track, frame, baseline, *host);
}

void CSubtitleAss::RenderAhead(int64_t timeMs, bool rgb24,
                               const std::shared_ptr<CSubtitleRenderer>& renderer,
                               ISubtitleHost& clock) {
    if (!renderer) return;
    MutexLock lock(state_lock_);
    if (text_.empty() || turned_off_) return;
    if (ASS_Track* track = BuiltTrack(renderer))
        ProduceAhead(*renderer, track, timeMs, rgb24, clock);
}

bool CSubtitleAss::HasAhead(const SubtitleFrame& frame) const {
    return ahead_valid_ && ahead_time_ms_ == frame.time_ms && ahead_rgb24_ == frame.rgb24;
}

void CSubtitleAss::ProduceAhead(CSubtitleRenderer& renderer, ASS_Track* track, int64_t timeMs,
                                bool rgb24, ISubtitleHost& clock) {
    if (turned_off_) return;
    const int64_t start = clock.TickMs();
    const bool drawn = Produce(renderer, track, timeMs, rgb24);
    ahead_took_ms_ = clock.TickMs() - start;
    ahead_time_ms_ = timeMs;
    ahead_rgb24_ = rgb24;
    ahead_drawn_ = drawn;
    ahead_valid_ = true;
}

void CSubtitleAss::DrawTrack(CSubtitleRenderer* renderer, ASS_Track* track,
                             const SubtitleFrame& frame, int& baseline, ISubtitleHost& clock) {
    if (turned_off_) return;
    const int64_t start = clock.TickMs();
    int64_t took = 0;
    bool drawn = false;
    if (HasAhead(frame)) {
        drawn = ahead_drawn_;
        took = ahead_took_ms_;
        ahead_valid_ = false;
    } else if (renderer && track) {
        drawn = Produce(*renderer, track, frame.time_ms, frame.rgb24);
    } else {
        return;
    }
    Place(frame, baseline, start, drawn);
    took += clock.TickMs() - start;
    if (took <= kSlowRenderMs) {
        slow_in_a_row_ = 0;
        return;
    }
    if (++slow_in_a_row_ < 2) return;
    turned_off_ = true;
    Log(LogPoint{"CSubtitleAss::DrawTrack", kLogError},
        "Subtitle rendering took over %lld ms on two pictures in a row (last %lld ms at %lld "
        "ms); subtitle %d:%d is off for this file",
        static_cast<long long>(kSlowRenderMs), static_cast<long long>(took),
        static_cast<long long>(frame.time_ms), kind(), index());
}

bool CSubtitleAss::Produce(CSubtitleRenderer& renderer, ASS_Track* track, int64_t timeMs,
                           bool rgb24) {
    ahead_valid_ = false;  // the overlay below is this picture's now
    if (still_valid_ && still_track_ == track && still_renderer_ == &renderer &&
        still_events_ == track->n_events && still_from_ <= timeMs && timeMs < still_until_ &&
        (overlay_valid_ || !still_drawn_)) {
        ConvertOverlay(rgb24);
        return still_drawn_;
    }
    bool drawn = false;
    // The callback runs inside RenderFrame, on this thread, while the caller holds state_lock_.
    renderer.RenderFrame(track, timeMs, [&](const ASS_Image* images) REQUIRES(state_lock_) {
        if (!images) return;
        ImagesIdentity(images, scratch_);
        if (!overlay_valid_ || scratch_ != identity_) {
            overlay_valid_ = false;
            yuv_valid_ = false;
            rgb_valid_ = false;
            // Only the rows' spans are cleared, painted and converted.
            const OverlayRect box =
                PaintOverlay(images, renderer.width(), renderer.height(), overlay_, spans_);
            if (box.empty()) return;
            identity_.swap(scratch_);
            box_ = box;
            overlay_valid_ = true;
        }
        produced_width_ = renderer.width();
        drawn = true;
    });
    still_valid_ = StillAround(*track, timeMs, still_from_, still_until_);
    still_track_ = track;
    still_renderer_ = &renderer;
    still_events_ = track->n_events;
    still_drawn_ = drawn;
    ConvertOverlay(rgb24);
    return drawn;
}

void CSubtitleAss::ConvertOverlay(bool rgb24) {
    if (overlay_valid_ && rgb24 && !rgb_valid_) {
        PrepareRgb24Overlay(overlay_.data(), box_.width, box_.height, rgb_, &spans_);
        rgb_valid_ = true;
    } else if (overlay_valid_ && !rgb24 && !yuv_valid_) {
        PrepareYuvOverlay(overlay_.data(), box_.width, box_.height, yuv_, &spans_);
        yuv_valid_ = true;
    }
}

void CSubtitleAss::Place(const SubtitleFrame& frame, int& baseline, int64_t nowMs, bool drawn) {
    if (nowMs == 0) nowMs = 1;  // 0 means "not shown"
    if (drawn) {
        OverlayRect rect{(produced_width_ - box_.width) / 2, baseline - box_.height, box_.width,
                         box_.height};
        if (!frame.rgb24) {
            // YV12 blends from even rows and columns: move up and left rather than down
            // onto the baseline.
            rect.left &= ~1;
            rect.top &= ~1;
        }
        if (!had_images_ && first_shown_ms_ == 0) first_shown_ms_ = nowMs;
        had_images_ = true;
        rect_ = rect;
    } else {
        had_images_ = false;
        if (first_shown_ms_ == 0 || nowMs - first_shown_ms_ >= kHoldMs || rect_.empty() ||
            !overlay_valid_) {
            first_shown_ms_ = 0;
            return;
        }
        // Held: the overlay painted last is drawn again where it was.
    }
    baseline = rect_.top - kStackGap;
    // The overlay is valid here and rect_ has box_'s size.
    ConvertOverlay(frame.rgb24);
    if (frame.rgb24) {
        BlendRgb24Overlay(frame, rgb_, rect_);
    } else {
        BlendYuvOverlay(frame, yuv_, rect_);
    }
}

}  // namespace zvp
