#include "subtitle/SubtitleDecoding.h"

#include <string>

#include "app/Logger.h"
#include "subtitle/CSubtitle.h"

namespace zvp {

AVSubtitlePtr DecodeSubtitle(AVCodecContext* context, const AVPacket* packet) {
    if (!context || !packet || packet->size <= 0 || !packet->data) return nullptr;
    AVSubtitlePtr subtitle = MakeSubtitle();
    int got = 0;
    // The decoder takes a non-const packet but does not change it.
    const int result =
        avcodec_decode_subtitle2(context, subtitle.get(), &got, const_cast<AVPacket*>(packet));
    if (result < 0) {
        Log(LogPoint{"avcodec_decode_subtitle2_seh", kLogError}, "Failed to decode subtitle!");
        return nullptr;
    }
    if (!got) return nullptr;
    return subtitle;
}

void OpenDecodedSubtitle(AVSubtitlePtr subtitle, int64_t packetMs) {
    if (!subtitle || subtitle->num_rects == 0 || !subtitle->rects || !subtitle->rects[0]) return;
    const AVSubtitleRect* first = subtitle->rects[0];
    if (first->type == SUBTITLE_ASS || first->type == SUBTITLE_TEXT) {
        int64_t start = subtitle->pts != AV_NOPTS_VALUE ? subtitle->pts / 1000 : packetMs;
        start += subtitle->start_display_time;
        // UINT32_MAX: shown until the next subtitle replaces it.
        const int64_t end =
            subtitle->end_display_time > subtitle->start_display_time &&
                    subtitle->end_display_time != UINT32_MAX
                ? start + (subtitle->end_display_time - subtitle->start_display_time)
                : -1;
        for (unsigned i = 0; i < subtitle->num_rects && i < 2; ++i) {
            const AVSubtitleRect* rect = subtitle->rects[i];
            if (!rect) continue;
            const char* text = rect->type == SUBTITLE_ASS ? rect->ass : rect->text;
            if (!text) continue;
            SubtitleData data;
            data.text = text;
            data.start_ms = start;
            data.end_ms = end;
            OpenSubtitle(kSubtitleText, int(i), std::move(data));
        }
    } else if (first->type == SUBTITLE_BITMAP) {
        SubtitleData data;
        data.subtitle = std::move(subtitle);
        OpenSubtitle(kSubtitleBitmap, 0, std::move(data));
    }
}

}  // namespace zvp
