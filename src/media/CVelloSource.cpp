#include "media/CVelloSource.h"

#include <algorithm>
#include <cstdlib>

#include "app/Logger.h"
#include "media/CVelloAudioStream.h"
#include "media/CVelloVideoStream.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/SubtitleFonts.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

namespace zvp {

namespace {
constexpr AVRational kUnitsTimeBase{1, 10'000'000};
// Video packets a decoder wants queued before it starts a picture.
constexpr int kVideoLowPackets = 5;
}  // namespace

CVelloSource::CVelloSource(HRESULT* phr) : CSource("CVelloSource", phr) {
    if (phr) *phr = S_OK;
}

CVelloSource::~CVelloSource() {
    // The graph stops its filters before destroying them; this is the last resort.
    if (!IsStopped()) Stop();
    if (CAMThread::ThreadExists()) {
        CallWorker(kCmdStop);
        CallWorker(kCmdExit);
        CAMThread::Close();
    }
    // Pins are destroyed by ~CSource; their threads no longer exist (the filter is stopped).
}

// --- loading ------------------------------------------------------------------------------

HRESULT CVelloSource::Open(const std::string& fileName) {
    if (fileName.empty()) return E_POINTER;
    CAutoLock lock(&m_cStateLock);
    if (opened_ || loaded_) return E_UNEXPECTED;
    return OpenLocked(fileName);
}

HRESULT CVelloSource::OpenLocked(const std::string& fileName) {
    static constexpr const char* kWhere = "CVelloSource::Load";
    av_log_set_level(AV_LOG_WARNING);
    opened_ = true;
    openedName_ = fileName;
    openResult_ = info_.ParseMediaContext(fileName);
    const HRESULT r = openResult_;
    if (FAILED(r) && !info_.HasVideo() && !info_.HasAudio()) {
        Log({kWhere, kLogInfo}, "Faild to load file: %s - No Video & No Audio. Error no: %x",
            fileName.c_str(), unsigned(r));
        return r;
    }

    HRESULT hr = S_OK;
    if (info_.HasAudio()) {
        audioPin_ =
            static_cast<CVelloAudioStream*>(AddPin(std::make_unique<CVelloAudioStream>(&hr, this)));
        audioQueue_ = std::make_unique<CPacketQueue2>("A", kQueueFullPackets, &info_);
        audioQueue_->SetByteLimit(kAudioQueueBytesLimit);
        masterPin_ = audioPin_;
    }
    if (info_.HasVideo()) {
        videoPin_ =
            static_cast<CVelloVideoStream*>(AddPin(std::make_unique<CVelloVideoStream>(&hr, this)));
        videoQueue_ = std::make_unique<CPacketQueueVideo>("V", kQueueFullPackets, &info_);
        videoQueue_->SetByteLimit(kQueueBytesLimit);
        if (!masterPin_) masterPin_ = videoPin_;
        videoQueue_->Reset();
    }
    if (info_.HasSubtitle()) {
        subtitleQueue_ = std::make_unique<CPacketQueueSubtitle>("S", 5, &info_);
    }
    const TimeFormat format = TIME_FORMAT_MEDIA_TIME;
    masterPin_->SetTimeFormat(&format);

    Log({kWhere, kLogInfo}, "File loaded successfully.");
    fileName_ = fileName;

    if (!SeekQueues()) {
        Log({kWhere, kLogInfo}, "Faild to seek file.");
        openResult_ = E_UNEXPECTED;
        return openResult_;
    }

    if (!CAMThread::Create()) {
        openResult_ = E_UNEXPECTED;
        return openResult_;
    }
    CallWorker(kCmdInit);
    openComplete_ = true;
    // Subtitles are set up by Load on the UI thread; their font lookups start here.
    if (info_.HasVideo()) WarmFontLookups();
    return r;
}

HRESULT CVelloSource::Load(const std::string& fileName, const CMediaType* /*pmt*/) {
    if (fileName.empty()) return E_POINTER;
    HRESULT r = S_OK;
    {
        CAutoLock lock(&m_cStateLock);
        if (loaded_) return E_UNEXPECTED;
        loaded_ = true;
        if (!opened_) {
            OpenLocked(fileName);
        } else if (openedName_ != fileName) {
            return E_UNEXPECTED;
        }
        r = openResult_;
        if (!openComplete_) return r;
    }

    // Font set-up and the search for a subtitle file beside the media call into the subtitle
    // registry, the settings, fontconfig and the file system: not under the state lock, and
    // on the loading (UI) thread even when Open ran elsewhere.
    if (info_.HasVideo()) CSubtitle::Setup(info_.VideoWidth(), info_.VideoHeight());
    if (!info_.HasSubtitle()) OpenSubtitle(kSubtitleExternal, 0, fileName);
    return r;
}

HRESULT CVelloSource::GetCurFile(std::string* pFileName, CMediaType* /*pmt*/) {
    if (!pFileName) return E_POINTER;
    CAutoLock lock(&m_cStateLock);
    *pFileName = fileName_;
    return S_OK;
}

// --- state changes ----------------------------------------------------------------------------

HRESULT CVelloSource::Stop() {
    CAutoLock lock(&m_cStateLock);
    ClearSubtitles(kSubtitleExternal);
    // Release decoders blocked on a queue first, so that the pins' threads see their stop.
    InterruptDecoders(true);
    const HRESULT hr = CSource::Stop();
    active_.store(false);
    if (CAMThread::ThreadExists()) CallWorker(kCmdStop);
    if (videoQueue_) videoQueue_->Flush();
    if (audioQueue_) audioQueue_->Flush();
    eofQueued_.store(false);
    InterruptDecoders(false);
    return hr;
}

HRESULT CVelloSource::Pause() {
    CAutoLock lock(&m_cStateLock);
    const HRESULT hr = CSource::Pause();
    if (SUCCEEDED(hr)) active_.store(true);
    if (CAMThread::ThreadExists()) CallWorker(kCmdPause);
    return hr;
}

HRESULT CVelloSource::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(&m_cStateLock);
    const HRESULT hr = CSource::Run(tStart);
    if (SUCCEEDED(hr)) active_.store(true);
    if (CAMThread::ThreadExists()) CallWorker(kCmdRun);
    return hr;
}

// --- the worker -------------------------------------------------------------------------------

DWORD CVelloSource::ThreadProc() {
    static constexpr const char* kWhere = "CVelloSource::ThreadProc";
    for (;;) {
        const DWORD command = CAMThread::GetRequest();
        if (command == kCmdInit) break;
        Log({kWhere, kLogError}, "Worker thread expected init command!!");
        Reply(static_cast<DWORD>(E_UNEXPECTED));
    }
    Log({kWhere, kLogInfo}, "Worker thread initializing...");
    HRESULT hr = OnThreadCreate();
    if (FAILED(hr)) {
        Log({kWhere, kLogError}, "Can not create worker thread!!");
        OnThreadDestroy();
        Reply(static_cast<DWORD>(hr));
        return 1;
    }
    Reply(S_OK);

    for (;;) {
        const DWORD command = CAMThread::GetRequest();
        if (command == kCmdPause || command == kCmdRun) {
            if (active_.load() && !eofQueued_.load()) DoParsingLoop();
            // The loop replied to the request that started it; a stop that ended it is
            // answered here.
            Reply(S_OK);
        } else if (command == kCmdStop) {
            Reply(S_OK);
        } else if (command == kCmdExit) {
            Reply(S_OK);
            break;
        } else {
            Log({kWhere, kLogError}, "Command %d received!", int(command));
            Reply(static_cast<DWORD>(E_NOTIMPL));
        }
    }
    if (FAILED(OnThreadDestroy())) {
        Log({kWhere, kLogError}, "Can not exit thread properly!!");
        return 1;
    }
    return 0;
}

HRESULT CVelloSource::DoParsingLoop() {
    OnThreadStartPlay();
    int videoCount = 0;
    int audioCount = 0;
    blockedRounds_.store(0);
    // Reused: a Put leaves it blank.
    AVPacketPtr packet = MakePacket();
    if (!packet) return S_FALSE;
    for (;;) {
        DWORD request = 0;
        while (CAMThread::CheckRequest(&request)) {
            if (request == kCmdPause || request == kCmdRun) {
                Reply(S_OK);
            } else if (request == kCmdStop) {
                return S_FALSE;
            } else {
                Reply(static_cast<DWORD>(E_UNEXPECTED));
                Log({"CVelloSource::DoParsingLoop", kLogError}, "Unexpected command!!!");
            }
        }

        if (AllQueuesFull()) {
            if (blockedRounds_.fetch_add(1) + 1 > kBlockedRoundsPerLog) {
                Log({"CVelloSource::DoParsingLoop", kLogInfo},
                    "No stream consume our data, blocking...VideoFrames: %d, AudioFrames: %d",
                    videoCount, audioCount);
                blockedRounds_.store(0);
            }
            // Until a decoder takes a packet or a command arrives.
            WaitForRequest(INFINITE_WAIT);
            continue;
        }

        if (info_.ReadPacket(*packet) != 0) {
            PutEndOfStreamAll();
            return S_FALSE;
        }
        Distribute(*packet, &videoCount, &audioCount);
    }
}

bool CVelloSource::AllQueuesFull() {
    // A queue past its byte limit takes no more, whatever the other still needs: the worker
    // waits for its decoder. So a high bit rate cannot grow a queue past its limit by more
    // than one packet.
    if ((videoQueue_ && videoQueue_->OverByteLimit()) ||
        (audioQueue_ && audioQueue_->OverByteLimit()))
        return true;
    const bool videoFull = videoQueue_ && videoQueue_->IsFull();
    const bool audioFull = audioQueue_ && audioQueue_->IsFull();
    // Reading on for audio that ends early or lies far behind stops at a memory bound.
    if (videoPin_ && audioPin_)
        return videoFull && (audioFull || videoQueue_->Bytes() > kQueueBytesLimit);
    if (videoPin_) return videoFull;
    if (audioPin_) return audioFull;
    return true;
}

bool CVelloSource::Distribute(AVPacket& packet, int* videoCount, int* audioCount) {
    const int index = packet.stream_index;
    // The decoders need the packet's own presentation time stamp, which the queues replace by
    // their 100 ns time: it travels in `pos`, which nothing downstream reads.
    packet.pos = packet.pts;
    if (videoQueue_ && index == info_.CurrentStream(AVMEDIA_TYPE_VIDEO)) {
        videoQueue_->Put(packet);
        if (videoCount) ++*videoCount;
        NotifyVideoWaiters();
        return true;
    }
    if (audioQueue_ && index == info_.CurrentStream(AVMEDIA_TYPE_AUDIO)) {
        audioQueue_->Put(packet);
        if (audioCount) ++*audioCount;
        return true;
    }
    if (subtitleQueue_ && index == info_.CurrentStream(AVMEDIA_TYPE_SUBTITLE)) {
        subtitleQueue_->Put(packet);
        return true;
    }
    av_packet_unref(&packet);
    return false;
}

void CVelloSource::PutEndOfStreamAll() {
    if (videoQueue_) videoQueue_->PutEndOfStream();
    if (audioQueue_) audioQueue_->PutEndOfStream();
    if (subtitleQueue_) subtitleQueue_->PutEndOfStream();
    eofQueued_.store(true);
    NotifyVideoWaiters();
}

// --- for the decoders ------------------------------------------------------------------------

void CVelloSource::NotifyVideoWaiters() {
    { MutexLock lock(waitLock_); }
    videoWaiters_.NotifyAll();
}

void CVelloSource::InterruptDecoders(bool on) {
    {
        MutexLock lock(waitLock_);
        interrupted_ = on;
    }
    videoWaiters_.NotifyAll();
    for (CPacketQueue2* queue : {static_cast<CPacketQueue2*>(videoQueue_.get()), audioQueue_.get(),
                                 static_cast<CPacketQueue2*>(subtitleQueue_.get())}) {
        if (!queue) continue;
        if (on) {
            queue->Abort();
        } else {
            queue->Resume();
        }
    }
}

bool CVelloSource::IsInterrupted() {
    MutexLock lock(waitLock_);
    return interrupted_;
}

bool CVelloSource::VideoQueueLow() {
    if (!videoQueue_) return false;
    MutexLock lock(videoQueue_->GetLock());
    const auto& list = videoQueue_->GetList();
    const int count = static_cast<int>(list.size());
    if (count >= kVideoLowPackets || count == 0) return false;
    if (CPacketQueue2::IsEndOfStream(list[0])) return false;
    // With the end-of-stream marker queued nothing more will come: waiting would never end.
    return !CPacketQueue2::IsEndOfStream(list[list.size() - 1]);
}

bool CVelloSource::WaitForVideoPackets() {
    MutexLock lock(waitLock_);
    while (!interrupted_ && VideoQueueLow()) videoWaiters_.Wait(waitLock_);
    return !interrupted_;
}

bool CVelloSource::PeekQueue(CPacketQueue2* queue, AVPacketPtr& packet) {
    if (!queue) return false;
    if (!packet) packet = MakePacket();
    return packet && queue->Peek(*packet);
}

PacketResult CVelloSource::TakePacket(CPacketQueue2* queue, AVPacketPtr& packet) {
    if (!packet) packet = MakePacket();
    if (!packet) return PacketResult::kEnd;
    av_packet_unref(packet.get());
    // A size the marker never has: a Get that was aborted leaves the packet untouched.
    packet->size = -1;
    if (queue->Get(*packet)) return PacketResult::kPacket;
    if (packet->size == -1) {
        packet->size = 0;
        return PacketResult::kInterrupted;
    }
    return PacketResult::kEnd;
}

PacketResult CVelloSource::GetVideoPacket(AVPacketPtr& packet) {
    if (!videoQueue_) return PacketResult::kEnd;
    const PacketResult result = TakePacket(videoQueue_.get(), packet);
    CAMThread::Wake();
    if (audioWaits_.load() && audioQueue_ && videoQueue_->Count() <= kAudioRefusalVideoPackets)
        audioQueue_->WakeWaiters();
    return result;
}

PacketResult CVelloSource::GetAudioPacket(AVPacketPtr& packet) {
    if (!audioQueue_) return PacketResult::kEnd;
    if (videoQueue_ && audioQueue_->Count() == 0 &&
        videoQueue_->Count() > kAudioRefusalVideoPackets)
        return PacketResult::kNotYet;
    const PacketResult result = TakePacket(audioQueue_.get(), packet);
    CAMThread::Wake();
    return result;
}

bool CVelloSource::WaitForAudioPacket() {
    if (!audioQueue_) return false;
    if (!videoQueue_) return !IsInterrupted();
    // Set before the first look at the video queue, so that a video packet taken after that
    // look sees it and wakes this wait (see GetVideoPacket).
    audioWaits_.store(true);
    const bool ready = audioQueue_->WaitUntilQueuedOr(
        [this] { return videoQueue_->Count() <= kAudioRefusalVideoPackets; });
    audioWaits_.store(false);
    return ready;
}

CVelloSource::QueueBytes CVelloSource::GetQueueBytes() {
    QueueBytes out;
    if (videoQueue_) {
        out.videoLimit = videoQueue_->ByteLimit();
        out.videoPeak = videoQueue_->PeakBytes();
    }
    if (audioQueue_) {
        out.audioLimit = audioQueue_->ByteLimit();
        out.audioPeak = audioQueue_->PeakBytes();
    }
    return out;
}

bool CVelloSource::GetSubtitlePacket(AVPacketPtr& packet) {
    // The one consumer: a non-zero count means Get will not block.
    if (!subtitleQueue_ || subtitleQueue_->Count() == 0) return false;
    return TakePacket(subtitleQueue_.get(), packet) == PacketResult::kPacket;
}

// --- seeking ---------------------------------------------------------------------------------

HRESULT CVelloSource::Seek(REFERENCE_TIME position, CSeekableStream* pin) {
    if (!pin || pin != masterPin_) return E_NOTIMPL;
    bool seeked = false;
    {
        CAutoLock lock(&m_cStateLock);
        InterruptDecoders(true);
        if (audioPin_) audioPin_->OnSeekBegin();
        if (videoPin_) videoPin_->OnSeekBegin();
        if (CAMThread::ThreadExists()) CallWorker(kCmdStop);

        if (videoPin_) {
            videoQueue_->Flush();
            videoQueue_->Reset();
            if (subtitleQueue_) {
                subtitleQueue_->Flush();
                subtitleQueue_->Reset();
            }
        }
        if (audioPin_) {
            audioQueue_->Flush();
            audioQueue_->Reset();
        }
        eofQueued_.store(false);
        InterruptDecoders(false);

        seeked = info_.SeekFile(position) == 0;
        if (!seeked) {
            Log({"CVelloSource::Seek", kLogError}, "Seek to %lld failed!",
                static_cast<long long>(position));
        }
        SeekQueues();
        // After a refused seek reading goes on where it stood: the pins start there.
        const REFERENCE_TIME start =
            seeked ? position : (videoPin_ ? firstVideoTime_.load() : firstAudioTime_.load());

        if (m_pClock) m_pClock->GetTime(&m_tStart);

        if (audioPin_) audioPin_->SetStartPosition(start);
        if (videoPin_) videoPin_->SetStartPosition(start);
        if (CAMThread::ThreadExists()) CallWorker(kCmdRun);
        if (audioPin_) audioPin_->OnSeekEnd();
        if (videoPin_) videoPin_->OnSeekEnd();
    }
    if (!seeked) return E_FAIL;
    SeekSubtitles(position);
    return S_OK;
}

bool CVelloSource::SeekQueues() {
    const REFERENCE_TIME video = SeekingVideoQueue();
    REFERENCE_TIME audio = SeekingAudioQueue(video);
    firstVideoTime_.store(video);
    if (audio == -1) {
        firstAudioTime_.store(audio);
        return false;
    }
    audio = AudioStart(audio, video);
    // Whole seconds apart, truncated.
    if (std::llabs(TimeDifference(audio, video) / 10'000'000) >= 2) {
        firstAudioTime_.store(video);
    } else {
        firstAudioTime_.store(audio);
    }
    return true;
}

REFERENCE_TIME CVelloSource::AudioStart(REFERENCE_TIME head, REFERENCE_TIME video) {
    AVPacketPtr packet;
    const AVFormatContext* format = info_.GetFormatContext();
    if (!PeekQueue(audioQueue_.get(), packet) || CPacketQueue2::IsEndOfStream(*packet) || !format ||
        packet->stream_index < 0 || packet->stream_index >= static_cast<int>(format->nb_streams))
        return head;
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, &size);
    const int rate = format->streams[packet->stream_index]->codecpar->sample_rate;
    REFERENCE_TIME start = head;
    if (skip && size >= 4 && rate > 0)
        start = TimeSum(start, av_rescale(AV_RL32(skip), 10'000'000, rate));
    // A first packet that begins before the first picture is cut there by the decoder.
    return std::max(start, video);
}

bool CVelloSource::AudioBefore(const AVPacket& packet, int64_t start, REFERENCE_TIME target) const {
    if (start == AV_NOPTS_VALUE) return true;
    // The decoder skips what the demuxer marks (encoder delay, edit lists) by itself.
    if (av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, nullptr)) return false;
    const AVFormatContext* format = info_.GetFormatContext();
    int64_t length = 0;
    if (format && packet.duration > 0 && packet.stream_index >= 0 &&
        packet.stream_index < static_cast<int>(format->nb_streams))
        length = av_rescale_q(packet.duration, format->streams[packet.stream_index]->time_base,
                              kUnitsTimeBase);
    return TimeSum(start, length) <= target;
}

int64_t CVelloSource::PacketUnits(const AVPacket& packet) const {
    const AVFormatContext* format = info_.GetFormatContext();
    const int64_t stamp = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (!format || packet.stream_index < 0 ||
        packet.stream_index >= static_cast<int>(format->nb_streams) || stamp == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    return av_rescale_q(stamp, format->streams[packet.stream_index]->time_base, kUnitsTimeBase);
}

REFERENCE_TIME CVelloSource::SeekingVideoQueue() {
    if (!videoQueue_) return 0;
    const int videoIndex = info_.CurrentStream(AVMEDIA_TYPE_VIDEO);
    const int audioIndex = info_.CurrentStream(AVMEDIA_TYPE_AUDIO);
    for (;;) {
        AVPacketPtr packet = MakePacket();
        if (!packet || info_.ReadPacket(*packet) != 0) break;
        packet->pos = packet->pts;
        if (packet->stream_index == videoIndex) {
            videoQueue_->Put(*packet);
            bool timed = false;
            {
                MutexLock lock(videoQueue_->GetLock());
                const auto& list = videoQueue_->GetList();
                timed = !list.empty() && list[list.size() - 1].pts != 0;
            }
            if (timed) {
                videoQueue_->RestampFromHead();
                AVPacketPtr head;
                return PeekQueue(videoQueue_.get(), head) ? head->pts : 0;
            }
        } else if (audioQueue_ && packet->stream_index == audioIndex) {
            audioQueue_->Put(*packet);
        }
    }
    Log({"CVelloSource::SeekingVideoQueue", kLogInfo}, "Reach end of file. vc = %d, ac = %d",
        videoQueue_ ? videoQueue_->Count() : -1, audioQueue_ ? audioQueue_->Count() : -1);
    videoQueue_->PutEndOfStream();
    if (audioQueue_) audioQueue_->PutEndOfStream();
    eofQueued_.store(true);
    return 0;
}

REFERENCE_TIME CVelloSource::SeekingAudioQueue(REFERENCE_TIME target) {
    if (!audioQueue_) return target;
    {
        MutexLock lock(audioQueue_->GetLock());
        auto& list = audioQueue_->GetList();
        while (!list.empty() && !CPacketQueue2::IsEndOfStream(list.front()) &&
               AudioBefore(list.front(), list.front().pts, target)) {
            list.DropFront();
        }
        if (!list.empty()) return list.front().pts;
    }
    const int videoBefore = videoQueue_ ? videoQueue_->Count() : -1;
    const int audioBefore = audioQueue_->Count();
    const int videoIndex = info_.CurrentStream(AVMEDIA_TYPE_VIDEO);
    const int audioIndex = info_.CurrentStream(AVMEDIA_TYPE_AUDIO);
    int64_t videoBytes = 0;
    AVPacketPtr packet = MakePacket();
    while (packet && info_.ReadPacket(*packet) == 0) {
        packet->pos = packet->pts;
        if (videoQueue_ && packet->stream_index == videoIndex) {
            const int64_t time = PacketUnits(*packet);
            videoBytes += packet->size;
            videoQueue_->Put(*packet);
            if (videoBytes > kQueueBytesLimit ||
                (time != AV_NOPTS_VALUE && TimeDifference(time, target) > kSeekQueueSpan)) {
                // The audio ends early or lies far away in the file: play on without it.
                Log({"CVelloSource::SeekingAudioQueue", kLogInfo},
                    "No audio within %lld ms or %lld MiB of video after %lld ms; playing on. "
                    "vc = %d, ac = %d",
                    static_cast<long long>(kSeekQueueSpan / 10'000),
                    static_cast<long long>(kQueueBytesLimit >> 20),
                    static_cast<long long>(target / 10'000), videoQueue_->Count(),
                    audioQueue_->Count());
                return target;
            }
        } else if (packet->stream_index == audioIndex) {
            const int64_t time = PacketUnits(*packet);
            if (AudioBefore(*packet, time, target)) continue;
            audioQueue_->Put(*packet);
            AVPacketPtr head;
            return PeekQueue(audioQueue_.get(), head) ? head->pts : time;
        }
    }
    const int videoAfter = videoQueue_ ? videoQueue_->Count() : -1;
    if (videoAfter == videoBefore && audioQueue_->Count() == audioBefore) return -1;
    Log({"CVelloSource::SeekingAudioQueue", kLogInfo}, "Reach end of file.");
    if (videoQueue_) videoQueue_->PutEndOfStream();
    audioQueue_->PutEndOfStream();
    eofQueued_.store(true);
    return 0;
}

}  // namespace zvp
