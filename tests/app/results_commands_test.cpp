#include "app/results_commands.h"

#include <gtest/gtest.h>

#include "app/recording_results_host.h"

namespace mulan::app {
namespace {

class ResultsCommandsTest : public ::testing::Test {
  protected:
    ResultsList list;
    RecordingResultsHost host;
    ResultsCommands commands{list, host};

    void SetUp() override {
        list.AddRow({u"1001", u"甲"});
        list.AddRow({u"1002", u"乙"});
        list.AddRow({u"1003", u"丙"});
    }
};

// The selected row goes over as a copy with how it was started and the caption of the moment.
TEST_F(ResultsCommandsTest, DoubleClickAndThePlayMenuHandTheSelectedRowOver) {
    list.Select(1);
    commands.DblClick(u"搜索完成");
    list.Select(2);
    commands.PlayS(u"音乐搜索");
    EXPECT_EQ(host.calls,
              (std::vector<Text>{u"play double-click 1002 乙 | 搜索完成", u"play menu 1003 丙 | 音乐搜索"}));
}

TEST_F(ResultsCommandsTest, NothingWithoutSelectionOrRows) {
    commands.DblClick(u"c");
    commands.PlayS(u"c");
    EXPECT_TRUE(host.calls.empty());
    ResultsList empty;
    ResultsCommands onEmpty(empty, host);
    onEmpty.DblClick(u"c");
    onEmpty.PlayS(u"c");
    onEmpty.AddItim();
    onEmpty.AllSel();
    onEmpty.FSelc();
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(ResultsCommandsTest, AddToListFollowsChecksAndSelection) {
    // No row checked: exactly the selected row.
    list.Select(0);
    commands.AddItim();
    EXPECT_EQ(host.calls, (std::vector<Text>{u"add 1001 甲"}));
    // Only the last row checked, another selected: only the checked row.
    host.calls.clear();
    list.SetChecked(2, true);
    commands.AddItim();
    EXPECT_EQ(host.calls, (std::vector<Text>{u"add 1003 丙"}));
    EXPECT_FALSE(list.Row(2).checked);
    // The first row checked and selected: added twice.
    host.calls.clear();
    list.SetChecked(0, true);
    commands.AddItim();
    EXPECT_EQ(host.calls, (std::vector<Text>{u"add 1001 甲", u"add 1001 甲"}));
    // Without a selection only the checked rows.
    host.calls.clear();
    list.Select(std::nullopt);
    commands.AddItim();
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(ResultsCommandsTest, CheckAllAndInvertReachEveryRow) {
    list.SetChecked(1, true);
    commands.FSelc();
    EXPECT_TRUE(list.Row(0).checked);
    EXPECT_FALSE(list.Row(1).checked);
    EXPECT_TRUE(list.Row(2).checked);
    commands.AllSel();
    for (const auto& row : list.Rows()) EXPECT_TRUE(row.checked);
    EXPECT_TRUE(host.calls.empty());
}

}  // namespace
}  // namespace mulan::app
