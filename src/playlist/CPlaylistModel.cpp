#include "playlist/CPlaylistModel.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/CClipInfo.h"
#include "playlist/PlaylistRandom.h"

namespace zvp {

namespace {

constexpr int kColumnCount = 2;

QString FormatDuration(double seconds) {
    const auto total = static_cast<long long>(seconds);
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    return h > 0 ? QString::asprintf("%lld:%02lld:%02lld", h, m, s)
                 : QString::asprintf("%lld:%02lld", m, s);
}

// Duration in whole seconds, truncated; NaN and negative values count as 0.
uint64_t WholeSeconds(double seconds) {
    if (!(seconds > 0)) return 0;
    if (seconds >= 18446744073709551615.0) return UINT64_MAX;
    return static_cast<uint64_t>(seconds);
}

}  // namespace

CPlaylistModel::CPlaylistModel(QObject* parent) : QAbstractTableModel(parent), selection_(this) {}

CPlaylistModel::~CPlaylistModel() = default;

int CPlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetCount();
}

int CPlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CPlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row()) || index.column() >= kColumnCount) return {};
    const Row& row = rows_[index.row()];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == 1 && row.text[1].empty()) {
                if (row.record && row.record->duration >= 1.0) {
                    return FormatDuration(row.record->duration);
                }
                return QString();
            }
            return QString::fromStdString(row.text[index.column()]);
        case ActiveRole:
            return index.row() == current_;
        case LoadFailedRole:
            return row.record && row.record->loadFailed;
        default:
            return {};
    }
}

QVariant CPlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("Title");
    if (section == 1) return QStringLiteral("Duration");
    return {};
}

int CPlaylistModel::GetCount() const {
    return static_cast<int>(rows_.size());
}

void CPlaylistModel::SetCurrent(int index) {
    const int previous = current_;
    current_ = Valid(index) ? index : -1;
    if (previous != current_) {
        NotifyRowChanged(previous);
        NotifyRowChanged(current_);
    }
    EnsureVisible(current_);
}

void CPlaylistModel::EnsureVisible(int index) {
    if (Valid(index)) emit EnsureVisibleRequested(index);
}

std::string CPlaylistModel::GetItemText(int index) const {
    return Valid(index) ? rows_[index].text[0] : std::string();
}

CClipInfo* CPlaylistModel::GetItem(int index) const {
    return Valid(index) ? rows_[index].record.get() : nullptr;
}

int CPlaylistModel::InsertItem(int index, const std::string& text) {
    const int row = Valid(index) ? index : GetCount();
    beginInsertRows(QModelIndex(), row, row);
    Row inserted;
    inserted.text[0] = text;
    rows_.insert(rows_.begin() + row, std::move(inserted));
    if (current_ >= row) ++current_;
    endInsertRows();
    return row;
}

bool CPlaylistModel::SetItemText(int index, int column, const std::string& text) {
    if (!Valid(index) || column < 0 || column >= kColumnCount) return false;
    rows_[index].text[column] = text;
    emit dataChanged(this->index(index, column), this->index(index, column));
    return true;
}

bool CPlaylistModel::SetItemData(int index, std::unique_ptr<CClipInfo> record) {
    if (!Valid(index)) return false;
    rows_[index].record = std::move(record);
    NotifyRowChanged(index);
    return true;
}

bool CPlaylistModel::DeleteItem(int index) {
    if (!Valid(index)) return false;
    beginRemoveRows(QModelIndex(), index, index);
    rows_.erase(rows_.begin() + index);
    if (current_ == index) {
        current_ = -1;
    } else if (current_ > index) {
        --current_;
    }
    endRemoveRows();
    return true;
}

void CPlaylistModel::DeleteAllItems() {
    beginResetModel();
    rows_.clear();
    current_ = -1;
    endResetModel();
}

bool CPlaylistModel::IsSelected(int index) const {
    return Valid(index) && selection_.isSelected(this->index(index, 0));
}

void CPlaylistModel::DeleteSelectedItems() {
    const std::vector<char> selected = SelectedRows();
    const bool any = std::find(selected.begin(), selected.end(), 1) != selected.end();
    if (!any) return;
    beginResetModel();
    int newCurrent = -1;
    size_t kept = 0;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (selected[row]) continue;
        if (static_cast<int>(row) == current_) newCurrent = static_cast<int>(kept);
        if (kept != row) rows_[kept] = std::move(rows_[row]);
        ++kept;
    }
    rows_.resize(kept);
    current_ = newCurrent;
    endResetModel();
    EnsureVisible(current_);
}

bool CPlaylistModel::AllItemsFailed() const {
    return std::none_of(rows_.begin(), rows_.end(),
                        [](const Row& row) { return row.record && !row.record->loadFailed; });
}

void CPlaylistModel::Sort(int commandId) {
    if (rows_.empty()) return;
    const bool ascending = commandId == sortId_ && sortId_ != 0 ? !sortAscending_ : true;
    std::vector<int> order;
    SortOrder(commandId, ascending, order);
    Permute(order);
    sortId_ = commandId;
    sortAscending_ = ascending;
    EnsureVisible(current_);
}

void CPlaylistModel::SortOrder(int commandId, bool ascending, std::vector<int>& order) const {
    const int n = GetCount();
    order.resize(n);
    std::iota(order.begin(), order.end(), 0);
    if (commandId == kSortShuffle) {
        for (int i = n - 1; i > 0; --i) {
            std::swap(order[i], order[PlaylistRandom::Draw(static_cast<size_t>(i) + 1)]);
        }
        return;
    }
    // Rows without a record go last, in their current order, whatever the direction.
    const auto withRecord = std::stable_partition(
        order.begin(), order.end(), [this](int row) { return rows_[row].record != nullptr; });
    auto sortBy = [&](const auto& keys) {
        std::stable_sort(order.begin(), withRecord, [&](int a, int b) {
            return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
        });
    };
    if (commandId == kSortByTitle) {
        std::vector<std::string> keys(n);
        for (int row = 0; row < n; ++row) {
            if (rows_[row].record) keys[row] = rows_[row].record->GetDisplayTitle();
        }
        sortBy(keys);  // std::string compares bytes as unsigned char: UTF-8 code-point order
        return;
    }
    uint64_t CClipInfo::*field = nullptr;
    switch (commandId) {
        case kSortByFileSize:
            field = &CClipInfo::fileSize;
            break;
        case kSortByCreateTime:
            field = &CClipInfo::creationTime;
            break;
        case kSortByLastAccessTime:
            field = &CClipInfo::lastAccessTime;
            break;
        case kSortByAddTime:
            field = &CClipInfo::addSequence;
            break;
        case kSortByDuration:
            break;
        default:
            return;  // unknown key: every row equal
    }
    std::vector<uint64_t> keys(n, 0);
    for (int row = 0; row < n; ++row) {
        const CClipInfo* record = rows_[row].record.get();
        if (record) keys[row] = field ? record->*field : WholeSeconds(record->duration);
    }
    sortBy(keys);
}

void CPlaylistModel::MoveSelected(Move move) {
    const int n = GetCount();
    const std::vector<char> selected = SelectedRows();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    auto isSelected = [&](int row) { return selected[row] != 0; };
    switch (move) {
        case Move::Up:
            for (int i = 1; i < n; ++i) {
                if (selected[order[i]] && !selected[order[i - 1]])
                    std::swap(order[i], order[i - 1]);
            }
            break;
        case Move::Down:
            for (int i = n - 2; i >= 0; --i) {
                if (selected[order[i]] && !selected[order[i + 1]])
                    std::swap(order[i], order[i + 1]);
            }
            break;
        case Move::Top:
            std::stable_partition(order.begin(), order.end(), isSelected);
            break;
        case Move::Bottom:
            std::stable_partition(order.begin(), order.end(),
                                  [&](int row) { return !isSelected(row); });
            break;
    }
    for (int i = 0; i < n; ++i) {
        if (order[i] != i) {
            Permute(order);
            return;
        }
    }
}

void CPlaylistModel::Refresh() {
    if (rows_.empty()) return;
    emit dataChanged(index(0, 0), index(GetCount() - 1, kColumnCount - 1));
}

void CPlaylistModel::UpdateColumns() {
    emit UpdateColumnsRequested();
}

void CPlaylistModel::AppendItems(std::vector<std::unique_ptr<CClipInfo>> records) {
    const auto added = std::count_if(records.begin(), records.end(),
                                     [](const auto& record) { return record != nullptr; });
    if (added == 0) return;
    const int first = GetCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added) - 1);
    rows_.reserve(rows_.size() + added);
    for (auto& record : records) {
        if (!record) continue;
        Row row;
        row.text[0] = record->GetDisplayTitle();
        row.record = std::move(record);
        rows_.push_back(std::move(row));
    }
    endInsertRows();
}

void CPlaylistModel::Activate(int row) {
    if (Valid(row)) Notify("ListItemActived", static_cast<EventArg>(row), 0);
}

void CPlaylistModel::Permute(const std::vector<int>& order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    std::vector<Row> reordered;
    reordered.reserve(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[order[i]] = static_cast<int>(i);
        reordered.push_back(std::move(rows_[order[i]]));
    }
    rows_.swap(reordered);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from) to.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(from, to);
    if (current_ >= 0) current_ = newRowOf[current_];
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<char> CPlaylistModel::SelectedRows() const {
    std::vector<char> selected(rows_.size(), 0);
    for (const QItemSelectionRange& range : selection_.selection()) {
        if (range.parent().isValid()) continue;
        for (int row = std::max(range.top(), 0); row <= range.bottom() && Valid(row); ++row) {
            selected[row] = 1;
        }
    }
    return selected;
}

void CPlaylistModel::NotifyRowChanged(int row) {
    if (Valid(row)) emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

}  // namespace zvp
