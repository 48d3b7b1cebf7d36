// Load-play-seek-stop cycles through the whole pipeline; run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include "media/SourceTestUtil.h"

namespace zvp::test {
namespace {

TEST(CVelloSourceCycles, LoadPlaySeekStopNeverHangsOrRaces) {
    constexpr int kCycles = 50;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        SCOPED_TRACE(cycle);
        Pipeline p;
        // Real time every fourth cycle, so that seeks also meet renderers waiting on the clock.
        const bool fast = cycle % 4 != 0;
        ASSERT_TRUE(p.Build(MediaPath(cycle % 2 ? "long.mp4" : "h264_aac.mp4"), fast));
        ASSERT_EQ(p.graph->Pause(), S_OK);
        REFERENCE_TIME at = (cycle % 7) * UNITS;
        // Seek while paused, before or after the pre-roll.
        ASSERT_EQ(p.graph->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
        ASSERT_EQ(p.graph->Run(), S_OK);
        ASSERT_TRUE(p.video->Log().WaitForCount(3, std::chrono::seconds(30)));
        // Seek while running.
        at = ((cycle * 3) % 9) * UNITS;
        ASSERT_EQ(p.graph->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
        if (cycle % 3 == 0) {
            const size_t seen = p.video->Log().Count();
            ASSERT_TRUE(p.video->Log().WaitForCount(seen + 2, std::chrono::seconds(30)));
        }
        if (cycle % 5 == 0) {
            // Pause, seek, stop and play again from stopped.
            ASSERT_EQ(p.graph->Pause(), S_OK);
            at = 2 * UNITS;
            ASSERT_EQ(p.graph->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
            ASSERT_EQ(p.graph->Stop(), S_OK);
            ASSERT_EQ(p.graph->Run(), S_OK);
        }
        ASSERT_EQ(p.graph->Stop(), S_OK);
    }
}

}  // namespace
}  // namespace zvp::test
