#include "subtitle/CSrtConverter.h"

#include <cstring>
#include <vector>

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

// Reads "H:MM:SS[,.]mmm" at `s`, moving it past; false when malformed.
bool ReadTime(std::string_view& s, int64_t& ms) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    int64_t parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        size_t n = 0;
        int64_t v = 0;
        while (n < s.size() && n < 9 && s[n] >= '0' && s[n] <= '9') v = v * 10 + (s[n++] - '0');
        if (n == 0) return false;
        parts[i] = v;
        s.remove_prefix(n);
        if (i < 2) {
            if (s.empty() || s.front() != ':') return false;
            s.remove_prefix(1);
        }
    }
    int64_t millis = 0;
    if (!s.empty() && (s.front() == ',' || s.front() == '.')) {
        s.remove_prefix(1);
        size_t n = 0;
        int64_t scale = 100;
        while (n < s.size() && s[n] >= '0' && s[n] <= '9') {
            if (n < 3) millis += (s[n] - '0') * scale;
            scale /= 10;
            ++n;
        }
    }
    if (parts[1] > 59 || parts[2] > 59) return false;
    ms = (parts[0] * 3600 + parts[1] * 60 + parts[2]) * 1000 + millis;
    return true;
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

bool CSrtConverter::ParseTimeLine(std::string_view line, int64_t& startMs, int64_t& endMs) {
    const size_t arrow = line.find("-->");
    if (arrow == std::string_view::npos) return false;
    std::string_view first = line.substr(0, arrow);
    std::string_view second = line.substr(arrow + 3);
    return ReadTime(first, startMs) && ReadTime(second, endMs);
}

std::string CSrtConverter::ConvertEvent(std::string_view text, int64_t startMs, int64_t endMs) {
    if (!context_ || text.empty() || text.size() > INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
        return std::string();
    av_packet_unref(packet_.get());
    if (av_new_packet(packet_.get(), int(text.size())) < 0) return std::string();
    std::memcpy(packet_->data, text.data(), text.size());
    packet_->pts = startMs;
    packet_->duration = endMs > startMs ? endMs - startMs : 0;

    AVSubtitlePtr subtitle = MakeSubtitle();
    int got = 0;
    const int result = avcodec_decode_subtitle2(context_.get(), subtitle.get(), &got, packet_.get());
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
        int64_t start = 0, end = 0;
        size_t textFrom = block.size();
        for (size_t i = 0; i < block.size() && i < 2; ++i) {
            if (ParseTimeLine(block[i], start, end)) {
                textFrom = i + 1;
                break;
            }
        }
        if (textFrom < block.size()) {
            std::string text;
            for (size_t i = textFrom; i < block.size(); ++i) text.append(block[i]).append("\n");
            out.append(ConvertEvent(text, start, end));
        }
        block.clear();
    };
    while (!srt.empty()) {
        const size_t nl = srt.find('\n');
        std::string_view line = srt.substr(0, nl);
        srt.remove_prefix(nl == std::string_view::npos ? srt.size() : nl + 1);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
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
