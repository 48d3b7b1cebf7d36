#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graph/FFmpegPtr.h"
#include "graph/GraphTypes.h"  // HRESULT and the status codes

namespace zvp {

class CCdAudioInput;

// A media duration split for display. `totalSeconds` is exact; the four integers are the
// whole hours, the minutes and seconds left over, and the microseconds below one second.
struct MediaDuration {
    double totalSeconds = 0.0;
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t microseconds = 0;
};

// How decoded audio of the current audio stream is converted before output, filled by
// `OpenStream` for the audio kind. Source fields describe what the decoder delivers, target
// fields what the audio output receives: signed 16-bit interleaved samples at the stream's
// rate, more than two channels folded to stereo. Counts, layouts and rates are -1 until an
// audio stream has been opened. Layouts are native channel masks (AV_CH_*), with the two
// stereo-downmix bits (29, 30) cleared. The audio decoding path owns `resampler`, builds it
// from these fields (swr_alloc_set_opts2) and may rebuild it when the decoded frames differ.
struct AudioConversion {
    SwrContextPtr resampler;
    AVSampleFormat srcFormat = AV_SAMPLE_FMT_S16;
    AVSampleFormat dstFormat = AV_SAMPLE_FMT_S16;
    int srcChannels = -1;
    int dstChannels = -1;
    int64_t srcLayout = -1;
    int64_t dstLayout = -1;
    int srcRate = -1;
    int dstRate = -1;
};

// The open media file: opens it with libavformat, picks one video, one audio and one subtitle
// stream, opens their decoders and answers questions about the file. One per source filter,
// which creates it empty and calls `ParseMediaContext` once per load.
//
// Stream kinds are AVMediaType values: AVMEDIA_TYPE_VIDEO (0), AVMEDIA_TYPE_AUDIO (1) and
// AVMEDIA_TYPE_SUBTITLE (3); every operation taking a kind refuses any other (false/null).
//
// Threads: the demultiplexing worker calls `ReadPacket` and `SeekFile`; the decoding threads,
// the engine and the information dialog on the user-interface thread call the queries, and the
// engine calls `OpenStream` to switch audio or subtitle tracks while the worker runs.
// Locking: `lock_` (recursive, reachable through `GetLock`) guards the format context, the
// decoder contexts, the frame, the stream lists, the file name and `audio_`. The decoders hold
// it while they use a codec context, so a track switch never frees a context in use. The three
// current indexes are atomics and may be read without the lock (`Has*`, `CurrentStream`).
// No callback into another component is made while `lock_` is held (log lines only).
//
// Decoder threads: each decoder is opened with one thread per core this process may use (up
// to 16) and frame threading where the codec has it (H.264, HEVC, VP8/9, MPEG-4 ...), slice
// threading otherwise. What the source filter's hand-over relies on:
// - Packets: avcodec_send_packet takes its own reference to the packet's data, so the caller
//   frees its packet right after; a send may wait, under `lock_`, until a frame thread is
//   free (at most one picture's decoding time).
// - Pictures come out in presentation order, up to thread_count - 1 packets after the packet
//   that made them; the packet's `pos` and `pts` travel with it per frame thread, which is
//   what carries each picture's queue time through.
// - A received frame is finished (no thread writes it again) and owned by the receiver's
//   AVFrame reference; its buffers come from the decoder's pool and stay valid until unref.
// - End of stream: a null packet drains every picture still inside the frame threads; after
//   the last one the decoder answers AVERROR_EOF until it is flushed.
// - Seeks: SeekFile flushes the decoders while the pins' threads are stopped; the flush
//   waits for every frame thread to park, so no picture decoded before the seek comes out
//   after it, and a drained decoder accepts packets again.
// - Track switches close a context only under `lock_`, never while a decoder call runs.
// Thread-safety analysis: not annotated. `lock_` is recursive (OpenStream re-enters it through
// CloseStream, the decoders hold it across several queries), and the decoders lock it through
// `GetLock`; the analysis can model neither re-entry nor a lock held across calls into the
// functions that take it again, so the members it guards are documented in comments.
class CPlaybackInfo {
  public:
    static constexpr int64_t kDefaultFrameDuration = 333333;  // 1/30 s in 100 ns units
    // Widest and tallest video picture opened; a larger video stream does not open (logged),
    // so the file plays its audio only.
    static constexpr int kMaxPictureSide = 8192;
    // Audio sample rates opened; outside them (a damaged header: 1 Hz makes seconds of samples
    // last hours) the audio stream does not open (logged).
    static constexpr int kMinSampleRate = 1000;
    static constexpr int kMaxSampleRate = 768000;

    CPlaybackInfo();
    virtual ~CPlaybackInfo();
    CPlaybackInfo(const CPlaybackInfo&) = delete;
    CPlaybackInfo& operator=(const CPlaybackInfo&) = delete;

    // Opens `fileName` (UTF-8), reads its stream information, fills the stream lists, chooses
    // and opens the best video, audio and subtitle stream. Returns S_OK, or E_FAIL with a log
    // line when the file cannot be opened or probed, or holds no playable video or audio.
    // Only a regular local file is opened (a FIFO, folder, device or URL fails at once), and
    // nothing it names inside (a HLS list) is read unless it is a regular local file; a concat
    // list (other files by name) is refused.
    // Anything opened by an earlier call is closed first. An audio CD track ("<root>/trackNN.cda"
    // of a known drive) is read through CCdAudioInput as a WAV file.
    HRESULT ParseMediaContext(const std::string& fileName);

    // Opens the decoder of stream `index` and makes it the current stream of `kind`, closing
    // the previous one. False (kind left without a stream, logged) when the kind or index is
    // invalid, no decoder exists, the decoder does not open, a video picture is larger than
    // kMaxPictureSide on a side or an audio sample rate lies outside kMin/kMaxSampleRate. Takes the
    // lock. Opening an audio stream refills `GetAudioConversion`.
    bool OpenStream(AVMediaType kind, int index);

    // Frees the decoder of stream `index`. False when the index is out of range or that stream
    // has no open decoder.
    bool CloseStream(int index);

    // Leaves `kind` without a current stream (-1), so its packets are no longer queued; the
    // stream's decoder stays open until CloseStream. Takes the lock.
    void ClearCurrentStream(AVMediaType kind);

    // Decoder of the current stream of `kind`, or null. Not owned by the caller; valid while
    // the caller holds `GetLock()` or until the next `OpenStream`/`CloseStream` of that kind.
    AVCodecContext* GetCodecContext(AVMediaType kind) const;

    // Current stream index of `kind`, -1 for none or an invalid kind. No lock.
    int CurrentStream(AVMediaType kind) const;
    bool HasVideo() const { return video_.load() != -1; }
    bool HasAudio() const { return audio_.load() != -1; }
    bool HasSubtitle() const { return subtitle_.load() != -1; }

    // Picture size of the current video decoder, 0 without video.
    int VideoWidth() const;
    int VideoHeight() const;
    // Sample aspect ratio of the current video stream as the container or the codec gives it
    // (av_guess_sample_aspect_ratio), {0, 1} when unknown or without video. Takes the lock.
    AVRational VideoSampleAspectRatio() const;

    // Frames per second of the current video stream: the first of the stream's real frame rate,
    // its average frame rate and the decoder's frame rate that lies within 10..30, else 30.
    float FrameRate() const;

    // Fills `duration` from the file's duration, or when the container gives none from the
    // longest stream duration; false (record zeroed, "Media duration is N/A" logged) when
    // neither is known (a live recording, a stream written to a pipe).
    bool Duration(MediaDuration& duration) const;
    // True when `Duration` is known: only then are positions in the file offered for seeking.
    bool IsSeekable() const;
    // The duration `Duration` reports, in AV_TIME_BASE units, or AV_NOPTS_VALUE; null gives
    // AV_NOPTS_VALUE.
    static int64_t KnownDuration(const AVFormatContext* format);

    // Seeks the file to `position` (100 ns): by byte (whole percent of the duration) for
    // formats with discontinuous time stamps, else by time to the key frame at or before it.
    // Flushes the open decoders before and after. 0 on success, -1 when the seek is refused.
    int SeekFile(int64_t position);

    // Reads the next packet of any stream into `packet`, releasing what it held before.
    // 0 when a packet was read, 1 at the end of the file or on a read error.
    int ReadPacket(AVPacket& packet);

    // Copies the indexes of the audio (subtitle) streams that have a decoder, in file order,
    // and gives the current audio (subtitle) index.
    void GetAudioStreams(std::vector<int>& streams, int& current) const;
    void GetSubtitleStreams(std::vector<int>& streams, int& current) const;

    // True when the file name's extension is "rm" or "rmvb" (any case).
    bool IsRealMedia() const;

    int64_t DefaultFrameDuration() const { return kDefaultFrameDuration; }

    // The record's lock; hold it across several calls that must see one consistent state.
    std::recursive_mutex& GetLock() const { return lock_; }

    // The open file, or null. Not owned by the caller; lives until the record is destroyed or
    // parses another file. Its stream array and time bases do not change once opened.
    AVFormatContext* GetFormatContext() const { return format_.get(); }

    // The decoding frame allocated by `ParseMediaContext`; use it under `GetLock()`.
    AVFrame* GetFrame() const { return frame_.get(); }

    // Audio conversion description; read and modify it under `GetLock()`.
    AudioConversion& GetAudioConversion() { return audio_conversion_; }

    // UTF-8 name of the parsed file (empty before a successful parse).
    std::string FileName() const;

  private:
    std::atomic<int>* Slot(AVMediaType kind);
    void CloseAll();

    mutable std::recursive_mutex lock_;
    // An audio CD track's input; outlives format_, which reads through it. Guarded by lock_.
    std::unique_ptr<CCdAudioInput> cd_input_;
    AVFormatContextPtr format_;                // guarded by lock_
    AVFramePtr frame_;                         // guarded by lock_
    std::vector<AVCodecContextPtr> decoders_;  // one slot per stream; guarded by lock_
    std::atomic<int> video_{-1};
    std::atomic<int> audio_{-1};
    std::atomic<int> subtitle_{-1};
    std::string file_name_;              // guarded by lock_
    std::vector<int> video_streams_;     // guarded by lock_
    std::vector<int> audio_streams_;     // guarded by lock_
    std::vector<int> subtitle_streams_;  // guarded by lock_
    AudioConversion audio_conversion_;   // guarded by lock_
};

}  // namespace zvp
