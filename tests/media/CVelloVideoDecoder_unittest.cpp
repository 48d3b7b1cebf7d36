#include "media/CVelloVideoDecoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "LogCapture.h"
#include "media/SourceTestUtil.h"

namespace zvp::test {
namespace {

// The decoder driven directly, as the video pin does, over a source whose pins are not
// connected (its worker still reads the queues full).
TEST(CVelloVideoDecoder, APictureThatCannotBeConvertedIsDroppedAndLogged) {
    LogCapture log;
    CVelloSource source;
    ASSERT_EQ(source.Load(MediaPath("video_only.mp4")), S_OK);
    CMediaType mt;
    ASSERT_EQ(source.VideoPin()->GetMediaType(0, &mt), S_OK);
    std::vector<uint8_t> buffer(mt.GetSampleSize());
    ASSERT_EQ(source.Pause(), S_OK);

    CVelloVideoDecoder decoder;
    CVelloVideoDecoder::Result first;
    while (decoder.DecodePicture(&source, first) && !first.picture) {
    }
    ASSERT_TRUE(first.picture);
    EXPECT_FALSE(
        decoder.ConvertPicture(&source, mt, buffer.data(), long(buffer.size()) - 1, false));
    EXPECT_FALSE(decoder.HasPendingPicture());
    EXPECT_EQ(log.CountOf("CVelloVideoDecoder::ConvertPicture: Cannot convert the 320x240"), 1)
        << log.Text();

    // The dropped picture is not handed out again: the next one is a later picture.
    CVelloVideoDecoder::Result next;
    while (
        decoder.DecodeFrameToBuffer(&source, mt, buffer.data(), long(buffer.size()), next, false) &&
        !next.picture) {
    }
    ASSERT_TRUE(next.picture);
    EXPECT_GT(next.start, first.start);

    // Through the one-step form the failure reads as "no picture yet".
    CVelloVideoDecoder::Result small;
    bool dropped = false;
    for (int i = 0; i < 20 && !dropped; ++i) {
        ASSERT_TRUE(decoder.DecodeFrameToBuffer(&source, mt, buffer.data(), 16, small, false));
        EXPECT_FALSE(small.picture);
        dropped = log.CountOf("Cannot convert the") == 2;
    }
    EXPECT_TRUE(dropped);
    EXPECT_EQ(source.Stop(), S_OK);
}

}  // namespace
}  // namespace zvp::test
