// Every loop mode's moves and permissions over small lists, the mode table and names, and the
// shuffle's draws over the whole of a large list.
#include "playlist/LoopModes.h"

#include <gtest/gtest.h>

#include "engine/CClipInfo.h"
#include "playlist/CLoopModePlaylistLoop.h"
#include "playlist/CLoopModePlaylistOnce.h"
#include "playlist/CLoopModePlaylistShuffle.h"
#include "playlist/CLoopModeSingleFileLoop.h"
#include "playlist/CLoopModeSingleFileOnce.h"
#include "playlist/CPlaylistModel.h"
#include "playlist/CPlaylistOperator.h"
#include "playlist/PlaylistRandom.h"

namespace zvp {
namespace {

constexpr int kDraw = -2;  // the new index is PlaylistRandom's next draw

void Fill(CPlaylistModel& model, int n) {
    std::vector<std::unique_ptr<CClipInfo>> records;
    for (int i = 0; i < n; ++i) records.push_back(std::make_unique<CClipInfo>());
    model.AppendItems(std::move(records));
}

struct ModeCase {
    const char* mode;
    int n, k;
    int first, last, previous, next;  // the current index after each move
    bool hasPrevious, hasNext;
};

// clang-format off
const ModeCase kModeCases[] = {
    // mode                   n  k   First Last Prev  Next   HasPrev HasNext
    {"single_file_no_loop",   1, 0,  0,    0,   0,    0,     false,  false},
    {"single_file_no_loop",   3, 0,  0,    0,   0,    0,     false,  false},
    {"single_file_no_loop",   3, 1,  1,    1,   1,    1,     false,  false},
    {"single_file_no_loop",   3, 2,  2,    2,   2,    2,     false,  false},
    {"single_file_loop",      1, 0,  0,    0,   0,    0,     true,   true},
    {"single_file_loop",      3, 0,  0,    0,   0,    0,     true,   true},
    {"single_file_loop",      3, 1,  1,    1,   1,    1,     true,   true},
    {"single_file_loop",      3, 2,  2,    2,   2,    2,     true,   true},
    {"playlist_no_loop",      1, 0,  0,    0,   0,    0,     false,  false},
    {"playlist_no_loop",      3, 0,  0,    2,   2,    1,     false,  true},
    {"playlist_no_loop",      3, 1,  0,    2,   0,    2,     true,   true},
    {"playlist_no_loop",      3, 2,  0,    2,   1,    0,     true,   false},
    {"playlist_loop",         1, 0,  0,    0,   0,    0,     true,   true},
    {"playlist_loop",         3, 0,  0,    2,   2,    1,     true,   true},
    {"playlist_loop",         3, 1,  0,    2,   0,    2,     true,   true},
    {"playlist_loop",         3, 2,  0,    2,   1,    0,     true,   true},
    {"playlist_shuffle",      1, 0,  0,    0,   kDraw, kDraw, true,   true},
    {"playlist_shuffle",      3, 0,  0,    0,   kDraw, kDraw, true,   true},
    {"playlist_shuffle",      3, 1,  1,    1,   kDraw, kDraw, true,   true},
    {"playlist_shuffle",      3, 2,  2,    2,   kDraw, kDraw, true,   true},
};
// clang-format on

TEST(LoopModeTest, MovesAndPermissionsOfEveryMode) {
    using Move = CClipInfo* (ILoopMode::*)(CPlaylistOperator&) const;
    const std::pair<const char*, Move> moves[] = {{"First", &ILoopMode::First},
                                                  {"Last", &ILoopMode::Last},
                                                  {"Previous", &ILoopMode::Previous},
                                                  {"Next", &ILoopMode::Next}};
    for (const ModeCase& c : kModeCases) {
        const ILoopMode& mode = LoopModeFromName(c.mode);
        ASSERT_STREQ(mode.GetName(), c.mode);
        const int expected[] = {c.first, c.last, c.previous, c.next};
        for (int m = 0; m < 4; ++m) {
            CPlaylistModel model;
            Fill(model, c.n);
            CPlaylistOperator op;
            op.Initialize(&model);
            model.SetCurrent(c.k);
            int want = expected[m];
            if (want == kDraw) {
                PlaylistRandom::Seed(1234 + m);
                want = static_cast<int>(PlaylistRandom::Draw(c.n));
                PlaylistRandom::Seed(1234 + m);
            }
            const std::string where = std::string(c.mode) + " n=" + std::to_string(c.n) +
                                      " k=" + std::to_string(c.k) + " " + moves[m].first;
            CClipInfo* got = (mode.*moves[m].second)(op);
            EXPECT_EQ(model.GetCurrent(), want) << where;
            EXPECT_EQ(got, model.GetItem(want)) << where;
            EXPECT_EQ(mode.GetCurrentItem(op), model.GetItem(want)) << where;
        }
        CPlaylistModel model;
        Fill(model, c.n);
        CPlaylistOperator op;
        op.Initialize(&model);
        model.SetCurrent(c.k);
        EXPECT_EQ(mode.HasPrevious(op), c.hasPrevious) << c.mode << " k=" << c.k;
        EXPECT_EQ(mode.HasNext(op), c.hasNext) << c.mode << " k=" << c.k;
        EXPECT_EQ(model.GetCurrent(), c.k);
    }
}

TEST(LoopModeTest, TableAndNames) {
    const auto& table = LoopModeTable();
    const ILoopMode* modes[] = {
        &CLoopModeSingleFileOnce::Instance(), &CLoopModeSingleFileLoop::Instance(),
        &CLoopModePlaylistOnce::Instance(), &CLoopModePlaylistLoop::Instance(),
        &CLoopModePlaylistShuffle::Instance()};
    const char* texts[] = {"Single File Once", "Single File Loop", "Playlist Once", "Playlist Loop",
                           "Playlist Shuffle"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(table[i].commandId, 15049 + i);
        EXPECT_STREQ(table[i].menuText, texts[i]);
        EXPECT_EQ(table[i].mode, modes[i]);
        EXPECT_EQ(&LoopModeFromName(modes[i]->GetName()), modes[i]);
    }
    for (const char* unknown : {"", "Playlist_Loop", "playlist_shuffle ", "shuffle", "\xC3"}) {
        EXPECT_EQ(&LoopModeFromName(unknown), &CLoopModePlaylistLoop::Instance()) << unknown;
    }
}

TEST(LoopModeTest, ShuffleOfOneRowStaysOnIt) {
    CPlaylistModel model;
    Fill(model, 1);
    CPlaylistOperator op;
    op.Initialize(&model);
    op.SetLoopMode("playlist_shuffle");
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(op.MoveNext(), model.GetItem(0));
        ASSERT_EQ(op.MovePrevious(), model.GetItem(0));
    }
}

TEST(LoopModeTest, SeededShuffleReachesTheLastOfFortyThousandRows) {
    constexpr int kRows = 40000;
    CPlaylistModel model;
    Fill(model, kRows);
    CPlaylistOperator op;
    op.Initialize(&model);
    op.SetLoopMode("playlist_shuffle");
    PlaylistRandom::Seed(20261208);
    bool reachedLast = false, reachedFirst = false, beyondOldLimit = false;
    for (int draw = 0; draw < 2'000'000 && !(reachedLast && reachedFirst); ++draw) {
        ASSERT_NE(op.MoveNext(), nullptr);
        const int k = model.GetCurrent();
        ASSERT_GE(k, 0);
        ASSERT_LT(k, kRows);
        reachedLast |= k == kRows - 1;
        reachedFirst |= k == 0;
        beyondOldLimit |= k > 32767;
    }
    EXPECT_TRUE(reachedLast);
    EXPECT_TRUE(reachedFirst);
    EXPECT_TRUE(beyondOldLimit);
}

TEST(LoopModeTest, DrawCoversItsRange) {
    EXPECT_EQ(PlaylistRandom::Draw(0), 0u);
    EXPECT_EQ(PlaylistRandom::Draw(1), 0u);
    PlaylistRandom::Seed(5);
    const size_t a = PlaylistRandom::Draw(1'000'000'000);
    PlaylistRandom::Seed(5);
    EXPECT_EQ(PlaylistRandom::Draw(1'000'000'000), a);
}

}  // namespace
}  // namespace zvp
