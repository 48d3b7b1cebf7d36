#include "ui/OpenUriPath.h"

#include <gtest/gtest.h>

namespace zvp {
namespace {

TEST(OpenUriPathTest, LocalFileUrlsOnly) {
    const struct {
        const char* uri;
        std::optional<std::string> path;
    } cases[] = {
        {"file:///media/a%20b.mp4", "/media/a b.mp4"},
        {"file://localhost/media/x.mkv", "/media/x.mkv"},
        {"file:///media/a%00.mp4", ""},  // the NUL would cut the name at /media/a
        {"file:relative.mp4", ""},
        {"file://otherhost/etc/x.mp4", std::nullopt},  // not "//otherhost/etc/x.mp4"
        {"http://example.com/x.mp4", std::nullopt},
        {"/media/x.mp4", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenUriPath(QString::fromUtf8(c.uri)), c.path) << c.uri;
    }
}

}  // namespace
}  // namespace zvp
