#pragma once

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <memory>
#include <string>
#include <vector>

#include "playlist/IPlaylistAdapter.h"

namespace zvp {

class CClipInfo;

// The playlist's rows for the list view: columns "Title" (the row's text) and "Duration" (the
// row's column-1 text, else the record's duration once it is known), plus the roles below.
// The model owns the rows' records and its own selection model, which the view shares.
//
// Sort(commandId) orders the rows by one key, with std::stable_sort so equal keys keep their
// current order in either direction:
//   kSortByTitle           GetDisplayTitle(), byte-wise on UTF-8 (code-point order, case-sensitive)
//   kSortByFileSize        file size      } full 64-bit unsigned values
//   kSortByCreateTime      creation time  }
//   kSortByLastAccessTime  last-access time
//   kSortByAddTime         the add sequence number (the order the rows were added)
//   kSortByDuration        duration truncated to whole seconds
//   kSortShuffle           a Fisher–Yates shuffle with PlaylistRandom, direction ignored
//   any other id           all equal (nothing moves)
// The last sort's id again flips the direction, any other id sorts ascending; rows without a
// record stay after the others. An empty list is left alone and nothing is recorded.
// Afterwards the row of the record that was current is current and in view. One layout change.
//
// DeleteSelectedItems is one model reset (the selection is then empty); inserts and single
// deletes are row insertions and removals; sorts and moves are layout changes that carry the
// selection (and every other persistent index) with their rows.
//
// Threads: UI thread only; no locks.
class CPlaylistModel : public QAbstractTableModel, public IPlaylistAdapter {
    Q_OBJECT

  public:
    enum Role {
        ActiveRole = Qt::UserRole + 1,  // bool: the row is the current index
        LoadFailedRole,                 // bool: the row's record failed its last load
    };
    enum class Move { Up, Down, Top, Bottom };

    explicit CPlaylistModel(QObject* parent = nullptr);
    ~CPlaylistModel() override;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // IPlaylistAdapter
    int GetCount() const override;
    void SetCurrent(int index) override;
    int GetCurrent() const override { return current_; }
    void EnsureVisible(int index) override;
    std::string GetItemText(int index) const override;
    CClipInfo* GetItem(int index) const override;
    int InsertItem(int index, const std::string& text) override;
    bool SetItemText(int index, int column, const std::string& text) override;
    bool SetItemData(int index, std::unique_ptr<CClipInfo> record) override;
    bool DeleteItem(int index) override;
    void DeleteAllItems() override;
    bool IsSelected(int index) const override;
    bool CanDelete(int index) const override { return true; }
    void DeleteSelectedItems() override;
    bool AllItemsFailed() const override;
    void Sort(int commandId) override;
    int GetSortId() const override { return sortId_; }
    void Refresh() override;
    void UpdateColumns() override;
    void AppendItems(std::vector<std::unique_ptr<CClipInfo>> records) override;

    // The selection the view shares (owned by the model).
    QItemSelectionModel* GetSelectionModel() { return &selection_; }

    // Publishes "ListItemActived" (row, 0) for a valid row; the view calls it on double click
    // and Enter.
    void Activate(int row);

    // Moves the selected rows one step or to an edge, keeping their order; a selected row at
    // the edge (or blocked by selected rows there) stays. Current index and selection follow.
    void MoveSelected(Move move);

  signals:
    void EnsureVisibleRequested(int row);
    void UpdateColumnsRequested();

  private:
    struct Row {
        std::string text[2];
        std::unique_ptr<CClipInfo> record;
    };

    bool Valid(int index) const { return index >= 0 && index < GetCount(); }
    // Reorders the rows so that new row i holds old row order[i], as one layout change;
    // persistent indexes (the selection) and the current index follow.
    void Permute(const std::vector<int>& order);
    void SortOrder(int commandId, bool ascending, std::vector<int>& order) const;
    void NotifyRowChanged(int row);
    // One flag per row, from the selection's ranges (not a per-row query).
    std::vector<char> SelectedRows() const;

    std::vector<Row> rows_;
    int current_ = -1;
    int sortId_ = 0;
    bool sortAscending_ = true;
    QItemSelectionModel selection_;
};

}  // namespace zvp
