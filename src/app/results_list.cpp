#include "app/results_list.h"

#include <algorithm>

namespace mulan::app {

void ResultsList::Clear() {
    rows_.clear();
    selected_.reset();
}

void ResultsList::AddRow(const site::SearchResult& result) {
    rows_.push_back(ResultRow{result, false});
}

int32_t ResultsList::AddRowInOrder(const site::SearchResult& result, const TextOrder& order) {
    ResultRow row{result, false};
    if (!sortColumn_) {
        rows_.push_back(std::move(row));
        return Count() - 1;
    }
    const auto key = [column = *sortColumn_](const ResultRow& r) -> const Text& {
        return column == 0 ? r.id : r.name;
    };
    const auto at =
        std::upper_bound(rows_.begin(), rows_.end(), row, [&](const ResultRow& a, const ResultRow& b) {
            return descending_ ? order(key(b), key(a)) < 0 : order(key(a), key(b)) < 0;
        });
    const auto index = static_cast<int32_t>(at - rows_.begin());
    rows_.insert(at, std::move(row));
    if (selected_ && *selected_ >= index) selected_ = *selected_ + 1;
    return index;
}

void ResultsList::Select(std::optional<int32_t> row) {
    selected_ = row && *row >= 0 && *row < Count() ? row : std::nullopt;
}

void ResultsList::SetChecked(int32_t row, bool checked) {
    if (row >= 0 && row < Count()) rows_[static_cast<size_t>(row)].checked = checked;
}

void ResultsList::CheckAll() {
    for (auto& row : rows_) row.checked = true;
}

void ResultsList::InvertChecks() {
    for (auto& row : rows_) row.checked = !row.checked;
}

std::vector<ResultRow> ResultsList::TakeRowsToAdd() {
    std::vector<ResultRow> added;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].checked) {
            added.push_back(rows_[i]);
            rows_[i].checked = false;
        } else if (i + 1 == rows_.size() && selected_) {
            added.push_back(rows_[static_cast<size_t>(*selected_)]);
        }
    }
    return added;
}

bool ResultsList::SortByColumn(int32_t column, const TextOrder& order) {
    descending_ = !descending_;
    sortColumn_ = column;
    // The selection follows its row through the sort.
    const std::optional<ResultRow> selectedRow =
        selected_ ? std::optional(rows_[static_cast<size_t>(*selected_)]) : std::nullopt;
    const auto key = [column](const ResultRow& row) -> const Text& {
        return column == 0 ? row.id : row.name;
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const ResultRow& a, const ResultRow& b) {
        return descending_ ? order(key(b), key(a)) < 0 : order(key(a), key(b)) < 0;
    });
    if (selectedRow) {
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (rows_[i].id == selectedRow->id && rows_[i].name == selectedRow->name) {
                selected_ = static_cast<int32_t>(i);
                break;
            }
        }
    }
    return descending_;
}

}  // namespace mulan::app
