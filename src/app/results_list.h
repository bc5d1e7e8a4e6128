#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/text.h"
#include "site/search_result.h"

namespace mulan::app {

// One hit in the results list: the song id as the row's text, the name as its first sub-item.
struct ResultRow : site::SearchResult {
    bool checked = false;
};

// The results list's rows, check marks, selection and sort order, apart from the list control
// that shows them. Indexes are zero-based here.
class ResultsList {
  public:
    // Orders two cell texts as the list control does (negative, zero, positive).
    using TextOrder = std::function<int(TextView, TextView)>;

    void Clear();
    void AddRow(const site::SearchResult& result);
    // Once a header has been clicked the list stays sorted: a new row goes to its place in the
    // current order (after rows that compare equal), otherwise at the end. Returns its index.
    int32_t AddRowInOrder(const site::SearchResult& result, const TextOrder& order);
    int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
    const ResultRow& Row(int32_t i) const { return rows_[static_cast<size_t>(i)]; }
    const std::vector<ResultRow>& Rows() const { return rows_; }

    std::optional<int32_t> Selected() const { return selected_; }
    void Select(std::optional<int32_t> row);
    void SetChecked(int32_t row, bool checked);

    void CheckAll();
    void InvertChecks();
    // The rows "添加到列表" adds, in order: each checked row (unchecking it), and the selected row
    // when the last row was not checked.
    std::vector<ResultRow> TakeRowsToAdd();

    // A header click: sorting by that column (0 id, 1 name) with the order flipped each time, one
    // order flag for the whole list. Returns true when the new order is descending.
    bool SortByColumn(int32_t column, const TextOrder& order);
    bool Descending() const { return descending_; }

  private:
    std::vector<ResultRow> rows_;
    std::optional<int32_t> selected_;
    bool descending_ = false;
    // The column of the last header click; none before the first.
    std::optional<int32_t> sortColumn_;
};

}  // namespace mulan::app
