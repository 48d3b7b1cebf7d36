#include "graph/CPresentationLog.h"

namespace zvp {

void CPresentationLog::Add(const PresentedSample& s) {
    std::lock_guard<std::mutex> lock(lock_);
    samples_.push_back(s);
    if (s.preroll) {
        ++prerolls_;
    } else {
        ++count_;
        bytes_ += s.bytes;
    }
    changed_.notify_all();
}

void CPresentationLog::NoteFlush() {
    std::lock_guard<std::mutex> lock(lock_);
    ++flushes_;
    changed_.notify_all();
}

void CPresentationLog::NoteEndOfStream() {
    std::lock_guard<std::mutex> lock(lock_);
    ++eos_;
    changed_.notify_all();
}

std::vector<PresentedSample> CPresentationLog::Snapshot() const {
    std::lock_guard<std::mutex> lock(lock_);
    return samples_;
}

size_t CPresentationLog::Count() const {
    std::lock_guard<std::mutex> lock(lock_);
    return count_;
}

size_t CPresentationLog::PrerollCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return prerolls_;
}

int CPresentationLog::FlushCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return flushes_;
}

int CPresentationLog::EndOfStreamCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return eos_;
}

long long CPresentationLog::TotalBytes() const {
    std::lock_guard<std::mutex> lock(lock_);
    return bytes_;
}

void CPresentationLog::Clear() {
    std::lock_guard<std::mutex> lock(lock_);
    samples_.clear();
    count_ = prerolls_ = 0;
    bytes_ = 0;
    flushes_ = eos_ = 0;
}

bool CPresentationLog::WaitForCount(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(lock_);
    return changed_.wait_for(lock, timeout, [&] { return count_ >= n; });
}

bool CPresentationLog::WaitForPreroll(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(lock_);
    return changed_.wait_for(lock, timeout, [&] { return prerolls_ >= n; });
}

}  // namespace zvp
