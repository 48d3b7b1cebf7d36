#include "media/CCdAudioInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/Logger.h"
#include "media/ICdDriveTable.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace zvp {

namespace {

constexpr int kAvioBufferBytes = 32 * 1024;
constexpr size_t kAheadSectors = CCdAudioInput::kSectorsPerSecond;  // one second
constexpr int64_t kChunkSectors = 13;                               // about 30 KiB per read

void PutLe(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void CCdAudioInput::AvioDeleter::operator()(AVIOContext* p) const {
    if (!p) return;
    av_freep(&p->buffer);
    avio_context_free(&p);
}

bool CCdAudioInput::IsTrackPath(const std::string& path, int* track) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() != 11) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    static constexpr char kShape[] = "track##.cda";
    for (size_t i = 0; i < name.size(); ++i) {
        if (kShape[i] == '#') {
            if (name[i] < '0' || name[i] > '9') return false;
        } else if (lower(name[i]) != kShape[i]) {
            return false;
        }
    }
    const int number = (name[5] - '0') * 10 + (name[6] - '0');
    if (number < 1) return false;
    if (track) *track = number;
    return true;
}

std::unique_ptr<CCdAudioInput> CCdAudioInput::Open(const std::string& path) {
    static constexpr const char* kWhere = "CCdAudioInput::Open";
    int track = 0;
    if (!IsTrackPath(path, &track)) return nullptr;
    const std::string root = path.substr(0, path.rfind('/'));
    const std::shared_ptr<const ICdDriveTable> table = ICdDriveTable::Get();
    const std::string source = table ? table->SourceOfRoot(root) : std::string();
    if (source.empty()) {
        Log({kWhere, kLogInfo}, "No known CD drive holds %s", path.c_str());
        return nullptr;
    }
    RouteCdioLog();
    CdIoHandle cdio(cdio_open(source.c_str(), DRIVER_UNKNOWN));
    if (!cdio) {
        Log({kWhere, kLogInfo}, "Cannot open the CD in %s", source.c_str());
        return nullptr;
    }
    const auto number = static_cast<track_t>(track);
    if (cdio_get_track_format(cdio.get(), number) != TRACK_FORMAT_AUDIO) {
        Log({kWhere, kLogInfo}, "Track %d of %s is not an audio track", track, source.c_str());
        return nullptr;
    }
    const lsn_t first = cdio_get_track_lsn(cdio.get(), number);
    const lsn_t last = cdio_get_track_last_lsn(cdio.get(), number);
    if (first == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < first) {
        Log({kWhere, kLogInfo}, "Track %d of %s has no sectors", track, source.c_str());
        return nullptr;
    }
    std::unique_ptr<CCdAudioInput> input(
        new CCdAudioInput(std::move(cdio), source, track, first, int64_t{last} - first + 1));
    if (!input->avio_) {
        Log({kWhere, kLogError}, "Out of memory for the I/O context of %s", path.c_str());
        return nullptr;
    }
    Log({kWhere, kLogInfo}, "Track %d of %s: %lld sectors", track, source.c_str(),
        static_cast<long long>(input->sectors_));
    return input;
}

CCdAudioInput::CCdAudioInput(CdIoHandle cdio, std::string source, int track, int32_t firstLsn,
                             int64_t sectors)
    : cdio_(std::move(cdio)),
      source_(std::move(source)),
      track_(track),
      firstLsn_(firstLsn),
      sectors_(sectors) {
    const auto dataBytes = static_cast<uint32_t>(sectors_ * kSectorBytes);
    std::memcpy(header_, "RIFF", 4);
    PutLe(header_ + 4, 36 + dataBytes, 4);
    std::memcpy(header_ + 8, "WAVEfmt ", 8);
    PutLe(header_ + 16, 16, 4);         // format chunk size
    PutLe(header_ + 20, 1, 2);          // PCM
    PutLe(header_ + 22, 2, 2);          // channels
    PutLe(header_ + 24, 44100, 4);      // sample rate
    PutLe(header_ + 28, 44100 * 4, 4);  // bytes per second
    PutLe(header_ + 32, 4, 2);          // block align
    PutLe(header_ + 34, 16, 2);         // bits per sample
    std::memcpy(header_ + 36, "data", 4);
    PutLe(header_ + 40, dataBytes, 4);

    auto* buffer = static_cast<uint8_t*>(av_malloc(kAvioBufferBytes));
    if (buffer) {
        avio_.reset(avio_alloc_context(buffer, kAvioBufferBytes, 0, this, &ReadCallback, nullptr,
                                       &SeekCallback));
        if (!avio_) av_free(buffer);
    }
    reader_ = std::thread([this] { RunReader(); });
}

CCdAudioInput::~CCdAudioInput() {
    {
        MutexLock lock(lock_);
        stopping_ = true;
    }
    changed_.NotifyAll();
    if (reader_.joinable()) reader_.join();
}

int CCdAudioInput::ReadCallback(void* opaque, uint8_t* buf, int size) {
    return static_cast<CCdAudioInput*>(opaque)->Read(buf, size);
}

int64_t CCdAudioInput::SeekCallback(void* opaque, int64_t offset, int whence) {
    return static_cast<CCdAudioInput*>(opaque)->Seek(offset, whence);
}

int64_t CCdAudioInput::Seek(int64_t offset, int whence) {
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return Size();
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = position_ + offset;
            break;
        case SEEK_END:
            target = Size() + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0) return AVERROR(EINVAL);
    position_ = target;
    return position_;
}

int CCdAudioInput::Read(uint8_t* buf, int size) {
    if (size <= 0) return 0;
    if (position_ >= Size()) return AVERROR_EOF;
    if (position_ < kWavHeaderBytes) {
        const int n = std::min<int>(size, static_cast<int>(kWavHeaderBytes - position_));
        std::memcpy(buf, header_ + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    const int64_t pcm = position_ - kWavHeaderBytes;
    const int64_t sector = pcm / kSectorBytes;
    const auto offset = static_cast<size_t>(pcm % kSectorBytes);

    MutexLock lock(lock_);
    const auto buffered = static_cast<int64_t>(ahead_.size());
    if (sector < aheadFirst_ || sector > aheadFirst_ + buffered) {
        // Elsewhere than the read-ahead: start it again from here.
        ahead_.clear();
        aheadFirst_ = sector;
        failed_ = false;
        ++generation_;
        changed_.NotifyAll();
    }
    while (aheadFirst_ < sector && !ahead_.empty()) {
        ahead_.pop_front();
        ++aheadFirst_;
        changed_.NotifyAll();
    }
    while (ahead_.empty() && !failed_ && !stopping_) changed_.Wait(lock_);
    if (ahead_.empty()) return AVERROR(EIO);
    const std::vector<uint8_t>& data = ahead_.front();
    const int n = std::min<int>(size, static_cast<int>(kSectorBytes - offset));
    std::memcpy(buf, data.data() + offset, static_cast<size_t>(n));
    position_ += n;
    return n;
}

void CCdAudioInput::RunReader() {
    static constexpr const char* kWhere = "CCdAudioInput::RunReader";
    MutexLock lock(lock_);
    for (;;) {
        while (!stopping_ && (failed_ || ahead_.size() >= kAheadSectors ||
                              aheadFirst_ + static_cast<int64_t>(ahead_.size()) >= sectors_)) {
            changed_.Wait(lock_);
        }
        if (stopping_) return;
        const int64_t next = aheadFirst_ + static_cast<int64_t>(ahead_.size());
        const int64_t count = std::min(
            {kChunkSectors, static_cast<int64_t>(kAheadSectors - ahead_.size()), sectors_ - next});
        const uint64_t generation = generation_;
        lock.Unlock();

        std::vector<uint8_t> data(static_cast<size_t>(count) * kSectorBytes);
        const driver_return_code_t rc =
            cdio_read_audio_sectors(cdio_.get(), data.data(), static_cast<lsn_t>(firstLsn_ + next),
                                    static_cast<uint32_t>(count));
        if (rc != DRIVER_OP_SUCCESS) {
            Log({kWhere, kLogInfo}, "Cannot read sectors %lld-%lld of track %d of %s (%s)",
                static_cast<long long>(next), static_cast<long long>(next + count - 1), track_,
                source_.c_str(), cdio_driver_errmsg(rc));
        }

        lock.Lock();
        if (generation != generation_) continue;  // the consumer moved elsewhere meanwhile
        if (rc != DRIVER_OP_SUCCESS) {
            failed_ = true;
        } else {
            for (int64_t i = 0; i < count; ++i) {
                const auto* at = data.data() + i * kSectorBytes;
                ahead_.emplace_back(at, at + kSectorBytes);
            }
        }
        changed_.NotifyAll();
    }
}

}  // namespace zvp
