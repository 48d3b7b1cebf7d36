#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Mutex.h"
#include "app/ThreadAnnotations.h"
#include "media/CdIoHandle.h"

extern "C" {
#include <libavformat/avio.h>
}

namespace zvp {

// One audio CD track as a WAV file: an I/O context that serves a 44-byte WAV header followed by
// the track's PCM (44.1 kHz, 16-bit, stereo), so FFmpeg's wav demuxer plays it like a file with
// its duration and seeking. The track is named "<root>/trackNN.cda"; the installed
// ICdDriveTable maps the root to the device or image libcdio opens.
//
// Threads: a reader thread of its own owns the libcdio handle after construction and reads
// whole sectors up to one second ahead of the consumer. The I/O context's callbacks run on the
// thread that reads the format context (the caller serializes them; CPlaybackInfo's lock
// does). `lock_` guards the read-ahead sectors and the flags below it; the consumer waits on
// `changed_` for a sector, the reader for room or a new position. A failed read (a removed
// disc, a damaged image) is logged once and ends the stream with an I/O error until the next
// seek. The destructor stops and joins the reader; a read in progress finishes first.
class CCdAudioInput {
  public:
    static constexpr int kSectorBytes = 2352;
    static constexpr int kWavHeaderBytes = 44;
    static constexpr int kSectorsPerSecond = 75;

    // Whether the file name of `path` is "trackNN.cda" (letters in any case, NN 01-99); the
    // track number in `track` when it is.
    static bool IsTrackPath(const std::string& path, int* track = nullptr);

    // Opens the track `path` names. Null, with a log line, when its root is no known drive,
    // libcdio cannot open the source, or the track is not an audio track.
    static std::unique_ptr<CCdAudioInput> Open(const std::string& path);

    ~CCdAudioInput();
    CCdAudioInput(const CCdAudioInput&) = delete;
    CCdAudioInput& operator=(const CCdAudioInput&) = delete;

    // The I/O context to put into a format context (AVFMT_FLAG_CUSTOM_IO); owned by this
    // object, which must outlive the format context.
    AVIOContext* Avio() const { return avio_.get(); }
    int64_t Sectors() const { return sectors_; }
    // The size of the WAV image: header and PCM.
    int64_t Size() const { return kWavHeaderBytes + sectors_ * kSectorBytes; }

  private:
    struct AvioDeleter {
        void operator()(AVIOContext* p) const;
    };

    CCdAudioInput(CdIoHandle cdio, std::string source, int track, int32_t firstLsn,
                  int64_t sectors);
    static int ReadCallback(void* opaque, uint8_t* buf, int size);
    static int64_t SeekCallback(void* opaque, int64_t offset, int whence);
    int Read(uint8_t* buf, int size);
    int64_t Seek(int64_t offset, int whence);
    void RunReader();

    CdIoHandle cdio_;  // the reader thread's once it runs
    const std::string source_;
    const int track_;
    const int32_t firstLsn_;
    const int64_t sectors_;
    uint8_t header_[kWavHeaderBytes] = {};
    std::unique_ptr<AVIOContext, AvioDeleter> avio_;
    int64_t position_ = 0;  // consumer's byte position in the WAV image

    Mutex lock_;
    CondVar changed_;
    std::deque<std::vector<uint8_t>> ahead_ GUARDED_BY(lock_);  // sectors from aheadFirst_
    int64_t aheadFirst_ GUARDED_BY(lock_) = 0;   // track-relative sector of ahead_.front()
    uint64_t generation_ GUARDED_BY(lock_) = 0;  // bumped when the consumer moves elsewhere
    bool failed_ GUARDED_BY(lock_) = false;
    bool stopping_ GUARDED_BY(lock_) = false;
    std::thread reader_;  // last: starts once everything above exists
};

}  // namespace zvp
