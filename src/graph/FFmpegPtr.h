#pragma once

// Move-only owners for FFmpeg handles. Every FFmpeg object the player allocates lives in one of
// these; a raw pointer taken from them (`get()`) never owns.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace zvp {

struct AVFormatContextDeleter {
    // Closes the input (and its I/O context) opened by avformat_open_input.
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct AVCodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct AVPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AVFrameDeleter {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct AVBufferRefDeleter {
    void operator()(AVBufferRef* p) const { av_buffer_unref(&p); }
};
// For buffers from av_malloc / av_mallocz.
struct AVFreeDeleter {
    void operator()(void* p) const { av_free(p); }
};

using AVFormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatContextDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using AVBufferRefPtr = std::unique_ptr<AVBufferRef, AVBufferRefDeleter>;
template <typename T>
using AVMallocPtr = std::unique_ptr<T, AVFreeDeleter>;

// A fresh, empty packet (data null, size 0, no time stamps); null only when memory is exhausted.
inline AVPacketPtr MakePacket() {
    return AVPacketPtr(av_packet_alloc());
}
// A fresh frame; null only when memory is exhausted.
inline AVFramePtr MakeFrame() {
    return AVFramePtr(av_frame_alloc());
}

}  // namespace zvp
