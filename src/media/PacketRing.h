#pragma once

#include <cstddef>
#include <vector>

extern "C" {
#include <libavcodec/packet.h>
}

namespace zvp {

// A first-in first-out list of packets stored by value in a ring of slots that grows in
// blocks of ten and is reused, so that queuing a packet allocates nothing once the ring is
// large enough. Owns the payload of every packet it holds: the destructor, `DropFront` and
// `Clear` release them. Neither copied nor moved. Not thread-safe: its owner locks around it.
class PacketRing {
  public:
    static constexpr size_t kBlock = 10;

    PacketRing() = default;
    ~PacketRing() { Clear(); }
    PacketRing(const PacketRing&) = delete;
    PacketRing& operator=(const PacketRing&) = delete;
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // The i-th packet from the head (0 is the head); i < size().
    AVPacket& operator[](size_t i) { return slots_[Slot(i)]; }
    const AVPacket& operator[](size_t i) const { return slots_[Slot(i)]; }
    AVPacket& front() { return slots_[head_]; }

    // Moves `packet` (payload and fields) to the tail; `packet` is left blank and reusable.
    void PushBack(AVPacket& packet) {
        if (size_ == slots_.size()) Grow();
        av_packet_move_ref(&slots_[Slot(size_)], &packet);
        ++size_;
    }

    // Releases what `out` holds, then moves the head into it. Requires !empty().
    void PopFront(AVPacket& out) {
        av_packet_unref(&out);
        av_packet_move_ref(&out, &slots_[head_]);
        Advance();
    }

    // Releases the head. Requires !empty().
    void DropFront() {
        av_packet_unref(&slots_[head_]);
        Advance();
    }

    void Clear() {
        while (!empty()) DropFront();
    }

  private:
    // Index in `slots_` of the i-th packet from the head; i <= size() < slots_.size() or the
    // ring is full and i < size().
    size_t Slot(size_t i) const {
        const size_t at = head_ + i;
        return at < slots_.size() ? at : at - slots_.size();
    }
    void Advance() {
        head_ = Slot(1);
        --size_;
    }

    // Adds a block of blank slots and lays the held packets out from slot 0.
    void Grow() {
        std::vector<AVPacket> bigger(slots_.size() + kBlock);
        for (AVPacket& blank : bigger) {
            blank = AVPacket{};
            blank.pts = blank.dts = AV_NOPTS_VALUE;
            blank.pos = -1;
        }
        for (size_t i = 0; i < size_; ++i) bigger[i] = (*this)[i];  // struct copies: moved
        slots_.swap(bigger);
        head_ = 0;
    }

    std::vector<AVPacket> slots_;
    size_t head_ = 0;
    size_t size_ = 0;
};

}  // namespace zvp
