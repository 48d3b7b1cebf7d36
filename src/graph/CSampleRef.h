#pragma once

#include <utility>

namespace zvp {

class CMediaSample;

// A counted reference to a media sample that an allocator lent out. While any reference
// exists the sample's buffer stays out of the allocator's free list; when the last one goes
// the buffer returns to its allocator (waking a GetBuffer that waits). Copy adds a
// reference, move transfers it. Release() drops this reference early (the "release the
// sample" step of a streaming loop). Not synchronised itself: one thread uses one CSampleRef;
// different CSampleRefs of one sample may live on different threads.
class CSampleRef {
  public:
    CSampleRef() = default;
    // Adopts one reference already counted for `sample` (allocator use).
    static CSampleRef Adopt(CMediaSample* sample) {
        CSampleRef r;
        r.p_ = sample;
        return r;
    }
    // Takes a new reference to `sample` (renderers keeping a sample beyond Receive).
    explicit CSampleRef(CMediaSample* sample);
    CSampleRef(const CSampleRef& other);
    CSampleRef(CSampleRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    CSampleRef& operator=(CSampleRef other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~CSampleRef() { Release(); }

    void Release();
    CMediaSample* get() const { return p_; }
    CMediaSample* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    CMediaSample* p_ = nullptr;
};

}  // namespace zvp
