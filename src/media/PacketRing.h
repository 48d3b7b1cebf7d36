#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "graph/FFmpegPtr.h"

namespace zvp {

// A first-in first-out list of packets held in a ring of slots. Each slot is a packet
// allocated once with av_packet_alloc and reused: a packet enters by av_packet_move_ref into
// the tail slot and leaves by av_packet_move_ref out of the head slot, so that queuing
// allocates nothing once the ring is large enough. The ring grows by half its size (ten slots
// at least), so that a long queue costs amortised constant time per packet, and never
// shrinks. Owns the payload of every packet it holds: the destructor, `DropFront` and `Clear`
// release them. Neither copied nor moved. Not thread-safe: its owner locks around it.
class PacketRing {
  public:
    static constexpr size_t kBlock = 10;

    PacketRing() = default;
    ~PacketRing() { Clear(); }
    PacketRing(const PacketRing&) = delete;
    PacketRing& operator=(const PacketRing&) = delete;
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Slots allocated (held packets included).
    size_t capacity() const { return slots_.size(); }
    // Payload bytes of the held packets (their `size` when they entered).
    int64_t bytes() const { return bytes_; }

    // The i-th packet from the head (0 is the head); i < size().
    AVPacket& operator[](size_t i) { return *slots_[Slot(i)]; }
    const AVPacket& operator[](size_t i) const { return *slots_[Slot(i)]; }
    AVPacket& front() { return *slots_[head_]; }
    const AVPacket& front() const { return *slots_[head_]; }

    // Moves `packet` (payload and fields) to the tail; `packet` is left blank and reusable.
    // False when no slot could be allocated: `packet` is then released and blanked.
    bool PushBack(AVPacket& packet) {
        AVPacket* slot = TailSlot();
        if (!slot) {
            av_packet_unref(&packet);
            return false;
        }
        av_packet_move_ref(slot, &packet);
        bytes_ += slot->size;
        ++size_;
        return true;
    }

    // Appends a packet without payload or side data whose time fields (pts, dts, pos,
    // duration) are all 0. False when no slot could be allocated.
    bool PushBlank() {
        AVPacket* slot = TailSlot();
        if (!slot) return false;
        slot->pts = slot->dts = slot->pos = slot->duration = 0;
        ++size_;
        return true;
    }

    // Releases what `out` holds, then moves the head into it. Requires !empty().
    void PopFront(AVPacket& out) {
        av_packet_unref(&out);
        av_packet_move_ref(&out, slots_[head_].get());
        bytes_ -= out.size;
        Advance();
    }

    // Releases the head. Requires !empty().
    void DropFront() {
        bytes_ -= slots_[head_]->size;
        av_packet_unref(slots_[head_].get());
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

    // The blank slot after the last held packet (growing the ring when it is full), or null
    // when memory is exhausted. Free slots are always blank: popping leaves them so.
    AVPacket* TailSlot() {
        if (size_ == slots_.size() && !Grow()) return nullptr;
        return slots_[Slot(size_)].get();
    }

    // Called when every slot holds a packet: adds blank slots and lays the held packets out
    // from slot 0. Only the owners move; packets stay where av_packet_alloc put them. False
    // (ring unchanged) when memory is exhausted.
    bool Grow() {
        const size_t added = std::max(kBlock, slots_.size() / 2);
        std::vector<AVPacketPtr> bigger;
        bigger.reserve(slots_.size() + added);
        for (size_t i = 0; i < size_; ++i) bigger.push_back(std::move(slots_[Slot(i)]));
        for (size_t i = 0; i < added; ++i) {
            bigger.push_back(MakePacket());
            if (!bigger.back()) {
                // Put the held packets back in their order; the ring stays as it was.
                for (size_t k = 0; k < size_; ++k) slots_[Slot(k)] = std::move(bigger[k]);
                return false;
            }
        }
        slots_.swap(bigger);
        head_ = 0;
        return true;
    }

    std::vector<AVPacketPtr> slots_;
    size_t head_ = 0;
    size_t size_ = 0;
    int64_t bytes_ = 0;
};

}  // namespace zvp
