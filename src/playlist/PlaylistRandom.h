#pragma once

#include <cstddef>
#include <cstdint>

namespace zvp {

// The process's one generator for shuffling (a std::mt19937). The main window seeds it once at
// start-up with the time in seconds; tests seed it with a fixed value to repeat a sequence.
//
// Threads: UI thread only; no locks.
class PlaylistRandom {
  public:
    static void Seed(uint32_t seed);
    // Uniform over 0 … n − 1 for any n ≥ 1; 0 when n is 0.
    static size_t Draw(size_t n);
};

}  // namespace zvp
