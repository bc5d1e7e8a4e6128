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
        host.titles = {u"old"};
        list.AddRow(u"1001", u"甲");
        list.AddRow(u"1002", u"乙");
        list.AddRow(u"1003", u"丙");
    }
};

TEST_F(ResultsCommandsTest, DoubleClickRunsTheTenStepsInOrder) {
    list.Select(1);
    commands.DblClick(u"搜索完成");
    EXPECT_EQ(host.calls, (std::vector<Text>{u"add 1002 乙", u"index 1", u"colour 49152", u"resolve 1002",
                                             u"url http://media/1.mp3", u"panel1 正在播放：乙",
                                             u"tray 搜索完成 | 正在播放：乙", u"title 乙", u"zant 播放中",
                                             u"lyrics 1002"}));
    EXPECT_EQ(host.lastNotice.balloonFlags, 1u);
    EXPECT_EQ(host.lastNotice.timeout, 5000u);
}

TEST_F(ResultsCommandsTest, PlayMenuFetchesLyricsBeforeThePlayerStarts) {
    list.Select(2);
    commands.PlayS(u"音乐搜索");
    EXPECT_EQ(host.calls,
              (std::vector<Text>{u"add 1003 丙", u"index 1", u"colour 49152", u"resolve 1003", u"lyrics 1003",
                                 u"url http://media/1.mp3", u"zant 播放中", u"panel1 正在播放：丙",
                                 u"tray 音乐搜索 | 正在播放：丙", u"title 丙"}));
}

TEST_F(ResultsCommandsTest, PlayingARowTwiceAppendsAndPlaysTheNewEntry) {
    list.Select(0);
    commands.DblClick(u"c");
    host.calls.clear();
    commands.DblClick(u"c");
    ASSERT_EQ(host.titles, (std::vector<Text>{u"old", u"甲", u"甲"}));
    EXPECT_EQ(host.calls[1], u"index 2");
}

TEST_F(ResultsCommandsTest, NoAddressStopsBeforeThePlayerAndSaysSo) {
    host.address.reset();
    list.Select(0);
    commands.DblClick(u"c");
    EXPECT_EQ(host.calls, (std::vector<Text>{u"add 1001 甲", u"index 1", u"colour 49152", u"resolve 1001",
                                             u"panel1 无法获取歌曲地址：甲"}));
    host.calls.clear();
    commands.PlayS(u"c");
    EXPECT_EQ(host.calls.back(), u"panel1 无法获取歌曲地址：甲");
    EXPECT_EQ(host.calls.size(), 5u);  // no lyrics, no player, no notice
}

TEST_F(ResultsCommandsTest, ANewSearchDuringTheFetchDoesNotChangeTheSongPlayed) {
    list.Select(2);
    host.whileResolving = [&] {
        list.Clear();
        list.AddRow(u"2001", u"新");
        host.titles.push_back(u"start-up hit");
    };
    commands.PlayS(u"c");
    EXPECT_EQ(host.calls[4], u"lyrics 1003");
    EXPECT_EQ(host.calls[7], u"panel1 正在播放：丙");  // the entry just added, not the last one
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
