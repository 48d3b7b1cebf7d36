// Which offers count as newer than the running version, and the release channel.
#include "upgrade/OfferedVersion.h"

#include <gtest/gtest.h>

namespace zvp {
namespace {

TEST(OfferedVersionTest, ComparesMajorMinorBuildInOrder) {
    struct Case {
        const char* running;
        const char* offered;
        bool newer;
    };
    const Case cases[] = {
        {"2.0.17", "zvp_2.0.18.run", true},       {"2.0.17", "zvp_2.0.17.run", false},
        {"2.1.0", "zvp_1.9.5.run", false},  // a downgrade, whatever its minor number
        {"2.1.0", "zvp_2.1.1.deb", true},         {"2.1.0", "zvp_3.0.0.AppImage", true},
        {"2.0.17 beta", "zvp_2.0.17.run", false}, {"2.0.17 beta", "zvp_2.0.18.run", true},
        {"2.0.17.9", "zvp_2.0.18.run", true},     {"2.0.17", "zvp_2.0.18.exe", false},
        {"2.0.17", "zvp_2.0.run", false},         {"", "zvp_2.0.18.run", false},
        {"2.0", "zvp_2.0.18.run", false},         {"2.0.x", "zvp_9.9.9.run", false},
        {"2..17", "zvp_9.9.9.run", false},        {"beta", "zvp_9.9.9.run", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOfferedVersionNewer(c.running, c.offered), c.newer)
            << c.running << " vs " << c.offered;
    }
    EXPECT_TRUE(IsBetaVersion("2.0.17 beta"));
    EXPECT_FALSE(IsBetaVersion("2.0.17"));
}

}  // namespace
}  // namespace zvp
