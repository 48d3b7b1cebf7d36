#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace zvp::bench {

// Runs `setup` untimed and `timed` timed `runs` times (at least once); the median time of
// `timed` in milliseconds.
inline double MedianMs(int runs, const std::function<void()>& setup,
                       const std::function<void()>& timed) {
    std::vector<double> ms;
    for (int run = 0; run < std::max(runs, 1); ++run) {
        setup();
        const auto start = std::chrono::steady_clock::now();
        timed();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace zvp::bench
