#include "subtitle/CSrtConverter.h"

#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "app/Logger.h"
#include "subtitle/CSubtitleAss.h"
#include "subtitle/SubtitleHandles.h"

namespace zvp {

namespace {

bool IsBlank(std::string_view line) {
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\r') return false;
    }
    return true;
}

// Takes the first line off `text` and returns it without its end. A line ends at LF, at CR LF
// (extra CRs before the LF included) or at a lone CR (old Mac files, where two CRs in a row
// end a line and then an empty one).
std::string_view TakeLine(std::string_view& text) {
    const size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = std::string_view();
    } else if (text[end] == '\n') {
        text.remove_prefix(end + 1);
    } else {
        size_t next = end;
        while (next < text.size() && text[next] == '\r') ++next;
        text.remove_prefix(next < text.size() && text[next] == '\n' ? next + 1 : end + 1);
    }
    return line;
}

}  // namespace

CSrtConverter::CSrtConverter() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_SUBRIP);
    if (!codec) codec = avcodec_find_decoder(AV_CODEC_ID_SRT);
    packet_ = MakePacket();
    if (!codec || !packet_) {
        Log(LogPoint{"CSubtitleFile::ConvertToAss", kLogError}, "No SubRip decoder");
        return;
    }
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return;
    context->pkt_timebase = AVRational{1, 1000};
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        Log(LogPoint{"CSubtitleFile::ConvertToAss", kLogError}, "Cannot open the SubRip decoder");
        return;
    }
    context_ = std::move(context);
}

bool CSrtConverter::ParseTimeLine(std::string_view line, TimeLine& out) {
    if (line.find("-->") == std::string_view::npos || line.size() > 1024) return false;
    const std::string text(line);  // sscanf needs the terminator
    int h1, m1, s1, ms1, h2, m2, s2, ms2;
    int x1 = -1, x2 = -1, y1 = -1, y2 = -1;
    if (std::sscanf(text.c_str(),
                    "%d:%d:%d%*1[,.]%d --> %d:%d:%d%*1[,.]%d%*[ ]X1:%d X2:%d Y1:%d Y2:%d", &h1, &m1,
                    &s1, &ms1, &h2, &m2, &s2, &ms2, &x1, &x2, &y1, &y2) < 8)
        return false;
    out.start_ms = (int64_t(h1) * 3600 + int64_t(m1) * 60 + s1) * 1000 + ms1;
    out.end_ms = (int64_t(h2) * 3600 + int64_t(m2) * 60 + s2) * 1000 + ms2;
    out.has_position = x2 >= 0 && y2 >= 0 && x1 >= 0 && y1 >= 0;
    out.x1 = x1;
    out.y1 = y1;
    out.x2 = x2;
    out.y2 = y2;
    return true;
}

std::string CSrtConverter::ConvertEvent(std::string_view text, const TimeLine& time) {
    const int64_t startMs = time.start_ms, endMs = time.end_ms;
    if (!context_ || text.empty() || text.size() > INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
        return std::string();
    av_packet_unref(packet_.get());
    if (av_new_packet(packet_.get(), int(text.size())) < 0) return std::string();
    std::memcpy(packet_->data, text.data(), text.size());
    packet_->pts = startMs;
    packet_->duration = endMs > startMs ? endMs - startMs : 0;
    if (time.has_position) {
        uint8_t* side = av_packet_new_side_data(packet_.get(), AV_PKT_DATA_SUBTITLE_POSITION, 16);
        if (side) {
            AV_WL32(side, uint32_t(time.x1));
            AV_WL32(side + 4, uint32_t(time.y1));
            AV_WL32(side + 8, uint32_t(time.x2));
            AV_WL32(side + 12, uint32_t(time.y2));
        }
    }

    AVSubtitlePtr subtitle = MakeSubtitle();
    int got = 0;
    const int result =
        avcodec_decode_subtitle2(context_.get(), subtitle.get(), &got, packet_.get());
    av_packet_unref(packet_.get());
    if (result < 0 || !got || subtitle->num_rects == 0 || !subtitle->rects[0]->ass)
        return std::string();

    // The decoder's event form: ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text.
    std::string_view ass = subtitle->rects[0]->ass;
    for (int i = 0; i < 8; ++i) {
        const size_t comma = ass.find(',');
        if (comma == std::string_view::npos) return std::string();
        ass.remove_prefix(comma + 1);
    }
    const size_t font = ass.find("</font>");
    if (font != std::string_view::npos) ass = ass.substr(0, font);
    while (!ass.empty() && (ass.back() == '\r' || ass.back() == '\n')) ass.remove_suffix(1);

    std::string line = "Dialogue: 0,";
    line.append(CSubtitleAss::FormatAssTime(startMs)).append(",");
    line.append(CSubtitleAss::FormatAssTime(endMs)).append(",");
    line.append(ass).append("\r\n");
    return line;
}

std::string CSrtConverter::Convert(std::string_view srt) {
    if (!context_) return std::string();
    std::string out = kHeader;
    std::vector<std::string_view> block;
    auto flush = [&] {
        if (block.empty()) return;
        TimeLine time;
        size_t textFrom = block.size();
        for (size_t i = 0; i < block.size() && i < 2; ++i) {
            if (ParseTimeLine(block[i], time)) {
                textFrom = i + 1;
                break;
            }
        }
        if (textFrom < block.size()) {
            std::string text;
            for (size_t i = textFrom; i < block.size(); ++i) text.append(block[i]).append("\n");
            const size_t size = text.size();
            if (CSubtitleAss::CutText(text, CSubtitleAss::kMaxTextBytes)) {
                Log(LogPoint{"CSubtitleFile::ConvertToAss", kLogInfo},
                    "Subtitle text of %zu bytes cut to %zu", size, text.size());
            }
            out.append(ConvertEvent(text, time));
        }
        block.clear();
    };
    while (!srt.empty()) {
        const std::string_view line = TakeLine(srt);
        if (IsBlank(line)) {
            flush();
        } else {
            block.push_back(line);
        }
    }
    flush();
    return out;
}

}  // namespace zvp
