#include "playlist/PlaylistRandom.h"

#include <random>

namespace zvp {

namespace {

std::mt19937& Generator() {
    static std::mt19937 generator;
    return generator;
}

}  // namespace

void PlaylistRandom::Seed(uint32_t seed) {
    Generator().seed(seed);
}

size_t PlaylistRandom::Draw(size_t n) {
    if (n <= 1) return 0;
    std::uniform_int_distribution<size_t> distribution(0, n - 1);
    return distribution(Generator());
}

}  // namespace zvp
