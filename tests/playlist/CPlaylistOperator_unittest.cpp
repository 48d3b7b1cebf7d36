// The operator over a real model: the prepare step, the cursor operations' conditions, its
// events and its subscription to the adapter.
#include "playlist/CPlaylistOperator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/CClipInfo.h"
#include "engine/EventRecorder.h"
#include "playlist/CLoopModePlaylistLoop.h"
#include "playlist/CLoopModePlaylistShuffle.h"
#include "playlist/CPlaylistModel.h"

namespace zvp {
namespace {

using test::EventRecorder;
using test::RecordedEvent;

class PlaylistOperatorTest : public ::testing::Test {
  protected:
    void Fill(int n) {
        std::vector<std::unique_ptr<CClipInfo>> records;
        for (int i = 0; i < n; ++i) {
            records.push_back(std::make_unique<CClipInfo>());
            records.back()->title = std::to_string(i);
        }
        model.AppendItems(std::move(records));
    }

    CPlaylistModel model;  // outlives the operator
    CPlaylistOperator op;
};

TEST_F(PlaylistOperatorTest, NothingHappensWithoutAdapterOrRows) {
    EXPECT_FALSE(op.HasItems());
    EXPECT_EQ(op.MoveNext(), nullptr);
    EXPECT_EQ(op.MoveFirst(), nullptr);
    EXPECT_EQ(op.CurrentItem(), nullptr);
    EXPECT_TRUE(op.AllItemsFailed());
    EXPECT_EQ(op.GetLoopModeName(), "");
    op.Sort(kSortByTitle);

    op.Initialize(&model);
    EXPECT_EQ(op.GetLoopModeName(), "playlist_loop");
    for (bool result : {op.HasItems(), op.HasPrevious(), op.HasNext()}) EXPECT_FALSE(result);
    for (CClipInfo* r :
         {op.MovePrevious(), op.MoveNext(), op.MoveFirst(), op.MoveLast(), op.CurrentItem()}) {
        EXPECT_EQ(r, nullptr);
    }
    EXPECT_EQ(model.GetCurrent(), -1);
    EXPECT_EQ(model.GetSortId(), 0);
}

TEST_F(PlaylistOperatorTest, PrepareMakesRowZeroCurrentAndScrollsToIt) {
    Fill(3);
    op.Initialize(&model);
    std::vector<int> visible;
    QObject::connect(&model, &CPlaylistModel::EnsureVisibleRequested,
                     [&](int row) { visible.push_back(row); });

    EXPECT_TRUE(op.HasItems());
    EXPECT_EQ(model.GetCurrent(), 0);
    ASSERT_FALSE(visible.empty());
    EXPECT_EQ(visible.back(), 0);

    model.SetCurrent(2);
    visible.clear();
    EXPECT_EQ(op.CurrentItem(), model.GetItem(2));
    EXPECT_EQ(visible, std::vector<int>{2});  // scrolled into view, not moved

    model.SetCurrent(-1);
    EXPECT_EQ(op.MoveNext(), model.GetItem(1));  // prepared to 0, then the step
}

TEST_F(PlaylistOperatorTest, FirstAndLastFromNoCurrentRowSkipThePrepareStep) {
    Fill(3);
    op.Initialize(&model);
    EXPECT_EQ(op.MoveLast(), model.GetItem(2));
    model.SetCurrent(-1);
    EXPECT_EQ(op.MoveFirst(), model.GetItem(0));

    op.SetLoopMode("playlist_shuffle");  // its First and Last keep the cursor: still none
    model.SetCurrent(-1);
    EXPECT_EQ(op.MoveFirst(), nullptr);
    EXPECT_EQ(op.MoveLast(), nullptr);
    EXPECT_EQ(model.GetCurrent(), -1);
}

TEST_F(PlaylistOperatorTest, MovesRefusedByTheModeChangeNothing) {
    Fill(3);
    op.Initialize(&model);
    op.SetLoopMode("playlist_no_loop");
    model.SetCurrent(0);
    EXPECT_EQ(op.MovePrevious(), nullptr);
    EXPECT_EQ(model.GetCurrent(), 0);
    model.SetCurrent(2);
    EXPECT_EQ(op.MoveNext(), nullptr);
    EXPECT_EQ(model.GetCurrent(), 2);
    EXPECT_EQ(op.MovePrevious(), model.GetItem(1));

    op.SetLoopMode("single_file_no_loop");
    EXPECT_FALSE(op.HasNext());
    EXPECT_EQ(op.MoveNext(), nullptr);
    EXPECT_EQ(op.MoveFirst(), model.GetItem(1));  // allowed, keeps the cursor
}

TEST_F(PlaylistOperatorTest, LoopModeChangedCarriesNameAndMode) {
    EventRecorder recorder(op, {"LoopModeChanged"});
    op.Initialize(&model);
    op.SetLoopMode("playlist_shuffle");
    op.SetLoopMode("no such mode");
    ASSERT_EQ(recorder.events.size(), 3u);
    const std::pair<const char*, const ILoopMode*> expected[] = {
        {"playlist_loop", &CLoopModePlaylistLoop::Instance()},
        {"playlist_shuffle", &CLoopModePlaylistShuffle::Instance()},
        {"playlist_loop", &CLoopModePlaylistLoop::Instance()}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_STREQ(reinterpret_cast<const char*>(recorder.events[i].arg1), expected[i].first);
        EXPECT_EQ(recorder.events[i].arg2, reinterpret_cast<EventArg>(expected[i].second));
    }
    EXPECT_EQ(op.GetLoopModeName(), "playlist_loop");
    EXPECT_EQ(op.GetLoopMode(), &CLoopModePlaylistLoop::Instance());
}

TEST_F(PlaylistOperatorTest, ForwardsListItemActivedAndDetachesWhenGone) {
    Fill(3);
    op.Initialize(&model);
    EventRecorder recorder(op, {"ListItemActived"});
    model.Activate(2);
    EXPECT_EQ(recorder.events, (std::vector<RecordedEvent>{{"ListItemActived", 2, 0}}));

    CPlaylistModel other;
    op.Initialize(&other);  // leaves the first model
    model.Activate(1);
    EXPECT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(model.RegistrationCount(), 0u);

    {
        CPlaylistOperator shortLived;
        shortLived.Initialize(&model);
        EXPECT_EQ(model.RegistrationCount(), 1u);
    }
    EXPECT_EQ(model.RegistrationCount(), 0u);
    model.Activate(0);      // nobody left to call
    op.Initialize(&model);  // back to `model`: `other` is destroyed before the operator
}

TEST_F(PlaylistOperatorTest, SortAndCountsGoToTheAdapter) {
    Fill(2);
    op.Initialize(&model);
    EXPECT_EQ(op.GetCount(), 2);
    EXPECT_EQ(op.GetAdapter(), &model);
    EXPECT_FALSE(op.AllItemsFailed());
    op.Sort(kSortByTitle);
    op.Sort(kSortByTitle);
    EXPECT_EQ(model.GetSortId(), kSortByTitle);
    EXPECT_EQ(model.GetItemText(0), "1");
}

}  // namespace
}  // namespace zvp
