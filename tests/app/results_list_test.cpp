#include "app/results_list.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

int CodeUnitOrder(TextView a, TextView b) {
    return a.compare(b);
}

std::vector<Text> Ids(const std::vector<ResultRow>& rows) {
    std::vector<Text> ids;
    for (const auto& row : rows) ids.push_back(row.id);
    return ids;
}

class ResultsListTest : public ::testing::Test {
  protected:
    ResultsList list;
    void SetUp() override {
        list.AddRow({u"1003", u"b"});
        list.AddRow({u"1001", u"c"});
        list.AddRow({u"1002", u"a"});
    }
};

TEST_F(ResultsListTest, AddWithoutChecksTakesTheSelectedRow) {
    list.Select(1);
    EXPECT_EQ(Ids(list.TakeRowsToAdd()), (std::vector<Text>{u"1001"}));
    list.Select(std::nullopt);
    EXPECT_TRUE(list.TakeRowsToAdd().empty());
}

TEST_F(ResultsListTest, CheckedLastRowKeepsTheSelectionOut) {
    list.SetChecked(2, true);
    list.Select(0);
    EXPECT_EQ(Ids(list.TakeRowsToAdd()), (std::vector<Text>{u"1002"}));
    EXPECT_FALSE(list.Row(2).checked);  // unchecked once added
}

TEST_F(ResultsListTest, CheckedAndSelectedFirstRowIsAddedTwice) {
    list.SetChecked(0, true);
    list.Select(0);
    EXPECT_EQ(Ids(list.TakeRowsToAdd()), (std::vector<Text>{u"1003", u"1003"}));
}

TEST_F(ResultsListTest, CheckAllAndInvert) {
    list.SetChecked(1, true);
    list.InvertChecks();
    EXPECT_TRUE(list.Row(0).checked);
    EXPECT_FALSE(list.Row(1).checked);
    list.CheckAll();
    for (const auto& row : list.Rows()) EXPECT_TRUE(row.checked);
    ResultsList empty;
    empty.CheckAll();
    empty.InvertChecks();
    EXPECT_TRUE(empty.TakeRowsToAdd().empty());
}

TEST_F(ResultsListTest, OneOrderFlagFlipsOnEveryHeaderClick) {
    list.Select(0);  // "1003"
    EXPECT_TRUE(list.SortByColumn(1, CodeUnitOrder));
    EXPECT_EQ(Ids(list.Rows()), (std::vector<Text>{u"1001", u"1003", u"1002"}));  // c, b, a
    EXPECT_FALSE(list.SortByColumn(1, CodeUnitOrder));
    EXPECT_EQ(Ids(list.Rows()), (std::vector<Text>{u"1002", u"1003", u"1001"}));  // a, b, c
    EXPECT_TRUE(list.SortByColumn(0, CodeUnitOrder));  // another column continues the flip
    EXPECT_EQ(Ids(list.Rows()), (std::vector<Text>{u"1003", u"1002", u"1001"}));
    EXPECT_EQ(list.Row(*list.Selected()).id, u"1003");  // the selection follows its row
    // Ids sort as text.
    list.AddRow({u"999", u"d"});
    list.SortByColumn(0, CodeUnitOrder);
    EXPECT_EQ(list.Row(list.Count() - 1).id, u"999");
}

TEST_F(ResultsListTest, NewRowsKeepTheOrderOnceSorted) {
    // Before any header click rows are appended.
    EXPECT_EQ(list.AddRowInOrder({u"1000", u"z"}, CodeUnitOrder), 3);
    list.SortByColumn(1, CodeUnitOrder);  // names descending: z c b a
    list.Select(1);                       // "c"
    EXPECT_EQ(list.AddRowInOrder({u"2000", u"bb"}, CodeUnitOrder), 2);
    EXPECT_EQ(list.AddRowInOrder({u"2001", u"c"}, CodeUnitOrder), 2);  // after the equal one
    EXPECT_EQ(list.Row(*list.Selected()).name, u"c");
    EXPECT_EQ(list.Row(*list.Selected()).id, u"1001");
    // The order stays over a new search.
    list.Clear();
    list.AddRowInOrder({u"1", u"a"}, CodeUnitOrder);
    EXPECT_EQ(list.AddRowInOrder({u"2", u"b"}, CodeUnitOrder), 0);
    list.SortByColumn(0, CodeUnitOrder);  // ids ascending: 1 2
    EXPECT_EQ(list.AddRowInOrder({u"10", u"c"}, CodeUnitOrder), 1);
}

}  // namespace
}  // namespace mulan::app
