#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ISubject.h"

namespace zvp {

class CClipInfo;

// Sort command ids understood by IPlaylistAdapter::Sort.
inline constexpr int kSortByTitle = 15054;
inline constexpr int kSortByFileSize = 15055;
inline constexpr int kSortByAddTime = 15057;
inline constexpr int kSortByLastAccessTime = 15058;
inline constexpr int kSortByCreateTime = 15059;
inline constexpr int kSortShuffle = 15060;
inline constexpr int kSortByDuration = 16202;

// The playlist's rows as the operator and the control centre see them. Each row has two texts
// (column 0 the display text, column 1 unused by the player) and at most one clip record,
// which the adapter owns: GetItem lends a pointer that stays valid until its row is deleted
// (DeleteItem, DeleteSelectedItems, DeleteAllItems) or its record is replaced (SetItemData).
//
// The current index is −1 or a valid row and follows its record: rows inserted at or before it
// and rows deleted before it move it, deleting its row makes it −1, sorts and moves keep it.
//
// Publishes "ListItemActived" (row, 0) when the user activates a row.
//
// Threads: UI thread only; no locks.
class IPlaylistAdapter : public ISubject {
  public:
    ~IPlaylistAdapter() override = default;

    virtual int GetCount() const = 0;
    // Makes `index` current and scrolls it into view; an index outside the rows makes it −1.
    virtual void SetCurrent(int index) = 0;
    virtual int GetCurrent() const = 0;
    virtual void EnsureVisible(int index) = 0;
    // Column 0's text; "" outside the rows.
    virtual std::string GetItemText(int index) const = 0;
    // The row's record (lent); null outside the rows or when the row has none yet.
    virtual CClipInfo* GetItem(int index) const = 0;
    // Inserts a row without a record before `index`; an index past the end (or negative)
    // appends. Returns the new row's index.
    virtual int InsertItem(int index, const std::string& text) = 0;
    // Column 0 or 1; false outside the rows or columns.
    virtual bool SetItemText(int index, int column, const std::string& text) = 0;
    // Hands the row `record`, freeing the one it held; outside the rows the record is freed
    // and the result is false.
    virtual bool SetItemData(int index, std::unique_ptr<CClipInfo> record) = 0;
    // Removes the row and frees its record; false outside the rows.
    virtual bool DeleteItem(int index) = 0;
    // Removes every row and frees every record; the current index becomes −1.
    virtual void DeleteAllItems() = 0;
    virtual bool IsSelected(int index) const = 0;
    virtual bool CanDelete(int index) const = 0;
    // Removes every selected row (and frees its record) in one pass; the current row, when it
    // stays, is scrolled into view.
    virtual void DeleteSelectedItems() = 0;
    // True when no row's record has its load-failed flag clear (an empty list included).
    virtual bool AllItemsFailed() const = 0;
    // Reorders the rows by one of the kSort* keys; see the implementation for the rules.
    virtual void Sort(int commandId) = 0;
    // The id of the last sort; 0 before the first.
    virtual int GetSortId() const = 0;
    // Marks every row changed so the view redraws (after a record's load state changed).
    virtual void Refresh() = 0;
    // Asks the view to fit the column widths to its width.
    virtual void UpdateColumns() = 0;
    // Appends one row per non-null record, display text from GetDisplayTitle, as one change.
    virtual void AppendItems(std::vector<std::unique_ptr<CClipInfo>> records) = 0;

    // The record of a newly added file: `path` as given, the title its file name with
    // extension, the file attributes (left 0 when the file cannot be examined), the add time
    // in steady-clock milliseconds and the next per-process add sequence number.
    static std::unique_ptr<CClipInfo> MakeFileRecord(const std::string& path);
};

}  // namespace zvp
