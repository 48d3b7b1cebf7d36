#include "media/CLentPictureCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "graph/LentPicture.h"

namespace zvp {
namespace {

// A 16 x 12 frame whose every byte tells its place: Y rows hold their row number, U rows 100
// plus theirs, V rows 200 plus theirs; rows are longer than the picture.
AVFramePtr NumberedFrame() {
    AVFramePtr frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 16;
    frame->height = 12;
    if (av_frame_get_buffer(frame.get(), 64) < 0) return nullptr;
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane ? 6 : 12;
        for (int y = 0; y < rows; ++y) {
            uint8_t* row = frame->data[plane] + y * frame->linesize[plane];
            std::fill(row, row + frame->linesize[plane], uint8_t((plane ? 100 * plane : 0) + y));
        }
    }
    return frame;
}

// The rows of `buffer` that hold the frame's bytes: a luma row is counted when its Y row and
// the V and U rows below it are all copied, and must be copied whole or not at all.
std::vector<bool> CopiedRows(const std::vector<uint8_t>& buffer) {
    std::vector<bool> copied(12);
    const size_t v = Yv12VOffset(16, 12), u = Yv12UOffset(16, 12);
    for (int y = 0; y < 12; ++y) {
        const int c = y / 2;
        const bool luma = buffer[y * 16] == y && buffer[y * 16 + 15] == y;
        const bool chroma = buffer[v + c * 8] == 200 + c && buffer[u + c * 8 + 7] == 100 + c;
        copied[y] = luma && chroma;
        EXPECT_EQ(luma, copied[y]) << "row " << y;
    }
    return copied;
}

TEST(CLentPictureCanvasTest, CopiesOneGrowingBandOfWholeChromaRows) {
    AVFramePtr frame = NumberedFrame();
    ASSERT_NE(frame, nullptr);
    std::vector<uint8_t> buffer(16 * 12 * 3 / 2, 0xEE);
    CLentPictureCanvas canvas(*frame, buffer.data(), 16, 12);
    EXPECT_TRUE(canvas.band().empty());
    canvas.PrepareRows(5, 5);  // nothing
    EXPECT_TRUE(canvas.band().empty());

    struct Step {
        int top, bottom;
        RowBand band;
    } steps[] = {
        {3, 6, {2, 6}},      // odd ends widen to whole chroma rows
        {9, 10, {2, 10}},    // below, with the rows between
        {4, 5, {2, 10}},     // inside: nothing new
        {-7, 1, {0, 10}},    // clipped at the top
        {11, 400, {0, 12}},  // and at the bottom
    };
    for (const Step& s : steps) {
        canvas.PrepareRows(s.top, s.bottom);
        EXPECT_EQ(canvas.band().top, s.band.top) << s.top << ".." << s.bottom;
        EXPECT_EQ(canvas.band().bottom, s.band.bottom) << s.top << ".." << s.bottom;
        const std::vector<bool> copied = CopiedRows(buffer);
        for (int y = 0; y < 12; ++y)
            EXPECT_EQ(copied[y], y >= s.band.top && y < s.band.bottom) << "row " << y;
        EXPECT_EQ(canvas.copied_bytes(), size_t(s.band.rows()) * 16 * 3 / 2);
    }
    // The packed picture is the frame's.
    std::vector<uint8_t> packed(buffer.size());
    ASSERT_TRUE(PackLentPicture(*frame, RowBand{}, nullptr, 16, 12, packed.data()));
    EXPECT_TRUE(packed == buffer);
}

}  // namespace
}  // namespace zvp
