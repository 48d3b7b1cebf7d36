// The playlist model: index rules, the current index and selection following their records,
// bulk deletion, moves of the selection, and every sort key in both directions.
#include "playlist/CPlaylistModel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTableView>
#include <algorithm>
#include <fstream>
#include <numeric>

#include "engine/CClipInfo.h"
#include "engine/EventRecorder.h"
#include "playlist/PlaylistRandom.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::EventRecorder;
using test::RecordedEvent;

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kGiB = 1024 * 1024 * 1024;

std::unique_ptr<CClipInfo> Record(const std::string& title) {
    auto record = std::make_unique<CClipInfo>();
    record->path = "/media/" + title;
    record->title = title;
    return record;
}

class PlaylistModelTest : public ::testing::Test {
  protected:
    // Appends one record per title and returns the lent pointers in row order.
    std::vector<CClipInfo*> Fill(const std::vector<std::string>& titles) {
        std::vector<std::unique_ptr<CClipInfo>> records;
        for (const auto& t : titles) records.push_back(Record(t));
        std::vector<CClipInfo*> lent;
        for (const auto& r : records) lent.push_back(r.get());
        model.AppendItems(std::move(records));
        return lent;
    }
    std::vector<CClipInfo*> Fill(int n) {
        std::vector<std::string> titles;
        for (int i = 0; i < n; ++i) titles.push_back(std::to_string(i));
        return Fill(titles);
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> out;
        for (int i = 0; i < model.GetCount(); ++i) out.push_back(model.GetItemText(i));
        return out;
    }
    void Select(std::initializer_list<int> rows) {
        for (int row : rows) {
            model.GetSelectionModel()->select(
                model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    std::vector<int> SelectedRows() const {
        std::vector<int> out;
        for (int i = 0; i < model.GetCount(); ++i) {
            if (model.IsSelected(i)) out.push_back(i);
        }
        return out;
    }
    int RowOf(const CClipInfo* record) const {
        for (int i = 0; i < model.GetCount(); ++i) {
            if (model.GetItem(i) == record) return i;
        }
        return -1;
    }

    CPlaylistModel model;
};

TEST_F(PlaylistModelTest, IndexRulesOutsideTheRows) {
    Fill(3);
    model.SetCurrent(1);
    model.SetCurrent(3);
    EXPECT_EQ(model.GetCurrent(), -1);
    model.SetCurrent(-7);
    EXPECT_EQ(model.GetCurrent(), -1);
    EXPECT_EQ(model.GetItem(-1), nullptr);
    EXPECT_EQ(model.GetItem(3), nullptr);
    EXPECT_EQ(model.GetItemText(-1), "");
    EXPECT_EQ(model.GetItemText(3), "");
    EXPECT_FALSE(model.DeleteItem(3));
    EXPECT_FALSE(model.SetItemText(0, 2, "x"));
    EXPECT_FALSE(model.SetItemData(3, Record("dropped")));  // freed, not leaked

    EXPECT_EQ(model.InsertItem(3 + 5, "appended"), 3);
    EXPECT_EQ(model.InsertItem(-1, "also appended"), 4);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"0", "1", "2", "appended", "also appended"}));
    EXPECT_EQ(model.GetItem(3), nullptr);  // no record until SetItemData
    ASSERT_TRUE(model.SetItemData(3, Record("a")));
    EXPECT_EQ(model.GetItem(3)->title, "a");
}

TEST_F(PlaylistModelTest, CurrentFollowsItsRecordThroughInsertsAndDeletes) {
    auto lent = Fill(6);
    model.SetCurrent(3);
    CClipInfo* current = lent[3];

    model.InsertItem(3, "at");  // at the current row: it moves down
    EXPECT_EQ(model.GetCurrent(), 4);
    model.InsertItem(5, "after");
    EXPECT_EQ(model.GetCurrent(), 4);
    model.DeleteItem(0);
    model.DeleteItem(1);
    EXPECT_EQ(model.GetCurrent(), 2);
    model.DeleteItem(4);
    EXPECT_EQ(model.GetItem(model.GetCurrent()), current);

    model.DeleteItem(model.GetCurrent());
    EXPECT_EQ(model.GetCurrent(), -1);

    model.SetCurrent(0);
    model.DeleteAllItems();
    EXPECT_EQ(model.GetCurrent(), -1);
    EXPECT_EQ(model.GetCount(), 0);
}

TEST_F(PlaylistModelTest, SelectionFollowsItsRecords) {
    Fill({"a", "b", "c", "d"});
    Select({1, 3});
    model.InsertItem(0, "new");
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 4}));
    model.DeleteItem(1);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(model.GetItemText(1), "b");
}

TEST_F(PlaylistModelTest, DeletesTenThousandSelectedRowsInOnePass) {
    auto lent = Fill(20000);
    QItemSelection selection;
    for (int row = 0; row < 20000; row += 2)
        selection.select(model.index(row, 0), model.index(row, 1));
    model.GetSelectionModel()->select(selection, QItemSelectionModel::Select);
    model.SetCurrent(5001);

    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    std::vector<int> visible;
    QObject::connect(&model, &CPlaylistModel::EnsureVisibleRequested,
                     [&](int row) { visible.push_back(row); });
    model.DeleteSelectedItems();

    EXPECT_EQ(resets, 1);
    ASSERT_EQ(model.GetCount(), 10000);
    for (int row = 0; row < 10000; ++row)
        ASSERT_EQ(model.GetItemText(row), std::to_string(2 * row + 1));
    EXPECT_EQ(model.GetCurrent(), 2500);
    EXPECT_EQ(model.GetItem(2500), lent[5001]);
    EXPECT_EQ(visible, std::vector<int>{2500});
    EXPECT_TRUE(SelectedRows().empty());

    Select({2500});
    model.DeleteSelectedItems();
    EXPECT_EQ(model.GetCurrent(), -1);
    EXPECT_EQ(model.GetCount(), 9999);

    model.DeleteSelectedItems();  // nothing selected: nothing changes
    EXPECT_EQ(model.GetCount(), 9999);
}

struct MoveCase {
    CPlaylistModel::Move move;
    std::vector<int> selected;
    std::string expected;  // the titles after the move
};

TEST_F(PlaylistModelTest, MoveSelectedKeepsOrderAndStopsAtTheEdges) {
    using Move = CPlaylistModel::Move;
    const std::vector<MoveCase> cases = {
        {Move::Up, {0, 2, 4}, "ACBED"},    // A at the top stays
        {Move::Up, {0, 1, 3}, "ABDCE"},    // A and B stacked at the top stay
        {Move::Down, {0, 2, 4}, "BADCE"},  // E at the bottom stays
        {Move::Down, {1, 3, 4}, "ACBDE"},  // D and E stacked at the bottom stay
        {Move::Top, {1, 3}, "BDACE"},     {Move::Bottom, {1, 3}, "ACEBD"},
        {Move::Top, {0, 1}, "ABCDE"},     {Move::Bottom, {}, "ABCDE"},
    };
    for (const MoveCase& c : cases) {
        model.DeleteAllItems();
        auto lent = Fill({"A", "B", "C", "D", "E"});
        model.SetCurrent(2);
        for (int row : c.selected) Select({row});
        std::vector<CClipInfo*> selectedRecords;
        for (int row : c.selected) selectedRecords.push_back(lent[row]);

        model.MoveSelected(c.move);

        std::string titles;
        for (const auto& t : Titles()) titles += t;
        EXPECT_EQ(titles, c.expected) << "move " << static_cast<int>(c.move);
        EXPECT_EQ(model.GetItem(model.GetCurrent()), lent[2]);
        std::vector<CClipInfo*> nowSelected;
        for (int row : SelectedRows()) nowSelected.push_back(model.GetItem(row));
        EXPECT_EQ(nowSelected.size(), selectedRecords.size());
        for (CClipInfo* r : selectedRecords) EXPECT_TRUE(model.IsSelected(RowOf(r)));
        model.GetSelectionModel()->clear();
    }
}

TEST_F(PlaylistModelTest, RolesHeadersAndViewRequests) {
    auto lent = Fill({"a", "b"});
    EXPECT_FALSE(model.AllItemsFailed());
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Title");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Duration");

    std::vector<int> visible;
    int columnRequests = 0;
    QObject::connect(&model, &CPlaylistModel::EnsureVisibleRequested,
                     [&](int row) { visible.push_back(row); });
    QObject::connect(&model, &CPlaylistModel::UpdateColumnsRequested, [&] { ++columnRequests; });
    model.SetCurrent(1);
    model.SetCurrent(5);
    model.UpdateColumns();
    EXPECT_EQ(visible, std::vector<int>{1});
    EXPECT_EQ(columnRequests, 1);

    model.SetCurrent(1);
    EXPECT_FALSE(model.data(model.index(0, 0), CPlaylistModel::ActiveRole).toBool());
    EXPECT_TRUE(model.data(model.index(1, 0), CPlaylistModel::ActiveRole).toBool());

    lent[0]->loadFailed = true;
    lent[1]->duration = 3725.9;
    int changed = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         changed += (to.row() - from.row() + 1) * (to.column() - from.column() + 1);
                     });
    model.Refresh();
    EXPECT_EQ(changed, 4);
    EXPECT_TRUE(model.data(model.index(0, 0), CPlaylistModel::LoadFailedRole).toBool());
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "");
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "1:02:05");
    EXPECT_FALSE(model.AllItemsFailed());
    lent[1]->loadFailed = true;
    EXPECT_TRUE(model.AllItemsFailed());
    model.InsertItem(0, "no record yet");
    EXPECT_TRUE(model.AllItemsFailed());
    model.DeleteAllItems();
    EXPECT_TRUE(model.AllItemsFailed());
}

TEST_F(PlaylistModelTest, ActivatePublishesOnlyForRows) {
    Fill(3);
    EventRecorder recorder(model, {"ListItemActived"});
    model.Activate(2);
    model.Activate(-1);
    model.Activate(3);
    EXPECT_EQ(recorder.events, (std::vector<RecordedEvent>{{"ListItemActived", 2, 0}}));
}

TEST_F(PlaylistModelTest, AViewSharingTheSelectionSurvivesEveryChange) {
    QTableView view;
    view.setModel(&model);
    view.setSelectionModel(model.GetSelectionModel());
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.resize(400, 300);
    view.show();
    auto lent = Fill(300);
    view.selectRow(299);
    EXPECT_TRUE(model.IsSelected(299));  // the view's selection is the model's
    model.SetCurrent(150);
    for (int id : {kSortByTitle, kSortByTitle, kSortShuffle}) model.Sort(id);
    model.MoveSelected(CPlaylistModel::Move::Top);
    EXPECT_TRUE(model.IsSelected(0));
    model.DeleteSelectedItems();
    model.DeleteItem(model.GetCurrent() == 0 ? 1 : 0);
    view.repaint();
    EXPECT_EQ(model.GetCount(), 298);
    EXPECT_EQ(model.GetItem(model.GetCurrent()), lent[150]);
    model.DeleteAllItems();
    view.repaint();
}

TEST(PlaylistRecordTest, FileRecordCarriesTitleAttributesAndAddOrder) {
    test::TempDir dir;
    const std::string path = dir.file("clip one.mkv");
    std::ofstream(path) << std::string(kKiB, 'x');

    auto first = IPlaylistAdapter::MakeFileRecord(path);
    auto missing = IPlaylistAdapter::MakeFileRecord(dir.file("none/gone.avi"));
    EXPECT_EQ(first->path, path);
    EXPECT_EQ(first->title, "clip one.mkv");
    EXPECT_EQ(first->fileSize, kKiB);
    EXPECT_GT(first->creationTime, 0u);
    EXPECT_GT(first->lastAccessTime, 0u);
    EXPECT_EQ(missing->title, "gone.avi");
    EXPECT_EQ(missing->fileSize, 0u);
    EXPECT_EQ(missing->creationTime, 0u);
    EXPECT_GT(missing->addSequence, first->addSequence);
}

TEST(PlaylistRecordTest, AFourGibFileSortsAfterAMebibyteClip) {
    test::TempDir dir;
    const std::string small = dir.file("small.mp4");
    const std::string big = dir.file("big.mp4");
    std::ofstream(small) << std::string(1024 * kKiB, 'x');
    std::ofstream{big};
    // A hole: nothing is written. File systems without holes skip the case.
    if (::truncate(big.c_str(), static_cast<off_t>(4 * kGiB)) != 0) GTEST_SKIP() << "no holes";
    std::vector<std::unique_ptr<CClipInfo>> records;
    records.push_back(IPlaylistAdapter::MakeFileRecord(big));
    records.push_back(IPlaylistAdapter::MakeFileRecord(small));
    EXPECT_EQ(records[0]->fileSize, 4 * kGiB);
    CPlaylistModel model;
    model.AppendItems(std::move(records));
    model.Sort(kSortByFileSize);
    EXPECT_EQ(model.GetItem(0)->path, small);
    EXPECT_EQ(model.GetItem(1)->path, big);
}

// --- Sorts ---

struct KeyCase {
    int id;
    const char* name;
    std::function<void(CClipInfo&, int)> set;  // gives the record for rank `i` its key
};

// Rows enter in rank order 2, 0, 1 (rank 0 the smallest key); ascending gives 0 1 2.
TEST_F(PlaylistModelTest, EachKeySortsBothWays) {
    const std::vector<std::string> titles = {"B", "a", "\xC3\xA9"};  // 'B' < 'a' < U+00E9
    const uint64_t sizes[] = {kKiB, 3 * kGiB, 5 * kGiB};
    // 500 s apart in 100 ns units; their signed low 32 bits would put the last first.
    const uint64_t times[] = {15'000'000'000, 20'000'000'000, 25'000'000'000};
    const double durations[] = {1.9, 2.0, 10.5};
    const std::vector<KeyCase> cases = {
        {kSortByTitle, "title", [&](CClipInfo& r, int i) { r.title = titles[i]; }},
        {kSortByFileSize, "size", [&](CClipInfo& r, int i) { r.fileSize = sizes[i]; }},
        {kSortByCreateTime, "create", [&](CClipInfo& r, int i) { r.creationTime = times[i]; }},
        {kSortByLastAccessTime, "access",
         [&](CClipInfo& r, int i) { r.lastAccessTime = times[i]; }},
        {kSortByAddTime, "add", [&](CClipInfo& r, int i) { r.addSequence = 100 + i; }},
        {kSortByDuration, "duration", [&](CClipInfo& r, int i) { r.duration = durations[i]; }},
    };
    for (const KeyCase& c : cases) {
        CPlaylistModel sorted;
        std::vector<CClipInfo*> byRank(3);
        std::vector<std::unique_ptr<CClipInfo>> records;
        for (int rank : {2, 0, 1}) {
            auto r = Record("r" + std::to_string(rank));
            c.set(*r, rank);
            byRank[rank] = r.get();
            records.push_back(std::move(r));
        }
        sorted.AppendItems(std::move(records));

        sorted.Sort(c.id);
        EXPECT_EQ(sorted.GetSortId(), c.id);
        for (int row = 0; row < 3; ++row) EXPECT_EQ(sorted.GetItem(row), byRank[row]) << c.name;
        sorted.Sort(c.id);
        for (int row = 0; row < 3; ++row) EXPECT_EQ(sorted.GetItem(row), byRank[2 - row]) << c.name;
        sorted.Sort(c.id);
        EXPECT_EQ(sorted.GetItem(0), byRank[0]) << c.name;
    }
}

TEST_F(PlaylistModelTest, TitlesCompareByCodePointCaseSensitive) {
    Fill({"\xF0\x9F\x98\x80", "z", "Z", "\xE4\xB8\xAD", "e\xCC\x81", "\xC3\xA9", "E"});
    model.Sort(kSortByTitle);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"E", "Z", "e\xCC\x81", "z", "\xC3\xA9",
                                                  "\xE4\xB8\xAD", "\xF0\x9F\x98\x80"}));
}

TEST_F(PlaylistModelTest, TiesKeepTheirOrderInBothDirections) {
    auto lent = Fill({"a1", "b", "a2", "c", "a3"});
    for (int i : {0, 2, 4}) lent[i]->fileSize = 7;
    lent[1]->fileSize = 1;
    lent[3]->fileSize = 9;
    model.InsertItem(2, "no record");  // rows without a record stay last

    model.Sort(kSortByFileSize);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"b", "a1", "a2", "a3", "c", "no record"}));
    model.Sort(kSortByFileSize);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"c", "a1", "a2", "a3", "b", "no record"}));
}

TEST_F(PlaylistModelTest, RowsAddedInOneMillisecondSortInAddOrder) {
    std::vector<std::unique_ptr<CClipInfo>> made;
    for (int i = 0; i < 3; ++i)
        made.push_back(IPlaylistAdapter::MakeFileRecord("/m/" + std::to_string(i)));
    for (auto& r : made) r->addTime = made[0]->addTime;
    std::vector<std::unique_ptr<CClipInfo>> shuffled;
    for (int i : {2, 0, 1}) shuffled.push_back(std::move(made[i]));
    model.AppendItems(std::move(shuffled));

    model.Sort(kSortByAddTime);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"0", "1", "2"}));
    model.Sort(kSortByAddTime);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"2", "1", "0"}));
}

TEST_F(PlaylistModelTest, RepeatFlipsAnotherIdSortsAscendingUnknownIdMovesNothing) {
    EXPECT_EQ(model.GetSortId(), 0);
    model.Sort(kSortByFileSize);  // empty: nothing, nothing recorded
    EXPECT_EQ(model.GetSortId(), 0);

    auto lent = Fill({"b", "c", "a"});
    for (int i = 0; i < 3; ++i) lent[i]->fileSize = 10 - i;  // b 10, c 9, a 8
    model.Sort(kSortByFileSize);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "c", "b"}));  // ascending: not flipped
    model.Sort(kSortByFileSize);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"b", "c", "a"}));
    model.Sort(kSortByTitle);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));

    model.Sort(4242);
    EXPECT_EQ(model.GetSortId(), 4242);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    model.Sort(4242);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
    model.Sort(kSortByTitle);  // after another id: ascending again
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(PlaylistModelTest, SortKeepsCurrentAndSelectionInOneLayoutChange) {
    auto lent = Fill({"d", "b", "e", "a", "c"});
    model.SetCurrent(0);
    Select({1, 2});
    int layouts = 0;
    std::vector<int> visible;
    QObject::connect(&model, &QAbstractItemModel::layoutChanged, [&] { ++layouts; });
    QObject::connect(&model, &CPlaylistModel::EnsureVisibleRequested,
                     [&](int row) { visible.push_back(row); });

    model.Sort(kSortByTitle);

    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(model.GetCurrent(), 3);
    EXPECT_EQ(model.GetItem(3), lent[0]);
    EXPECT_EQ(visible, std::vector<int>{3});
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 4}));  // "b" and "e"
    EXPECT_TRUE(model.data(model.index(3, 0), CPlaylistModel::ActiveRole).toBool());
}

TEST_F(PlaylistModelTest, ShuffleIsASeededPermutation) {
    auto shuffled = [](uint32_t seed) {
        CPlaylistModel m;
        std::vector<std::unique_ptr<CClipInfo>> records;
        for (int i = 0; i < 200; ++i) records.push_back(Record(std::to_string(i)));
        m.AppendItems(std::move(records));
        PlaylistRandom::Seed(seed);
        m.Sort(kSortShuffle);
        m.Sort(kSortShuffle);  // a repeat is a second shuffle, not a reversal
        std::vector<int> order;
        for (int row = 0; row < m.GetCount(); ++row) order.push_back(std::stoi(m.GetItemText(row)));
        return order;
    };
    const std::vector<int> first = shuffled(7);
    std::vector<int> sorted = first;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> identity(200);
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(sorted, identity);
    EXPECT_NE(first, identity);
    EXPECT_EQ(shuffled(7), first);
    EXPECT_NE(shuffled(8), first);
}

}  // namespace
}  // namespace zvp
