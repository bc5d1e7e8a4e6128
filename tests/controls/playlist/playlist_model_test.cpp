#include "controls/playlist/playlist_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace mulan::playlist {
namespace {

// Records every call the list operations make on their control, in order.
class RecordingView : public PlaylistView {
  public:
    std::vector<std::string> calls;
    PlaylistModel* model = nullptr;  // set to let the scrollbar's change notification come back

    void DrawRow(int16_t index) override { calls.push_back("DrawRow " + std::to_string(index)); }
    void DrawRows() override { calls.push_back("DrawRows"); }
    void Refresh() override { calls.push_back("Refresh"); }
    void UpdateScrollRange() override { calls.push_back("UpdateScrollRange"); }
    void SetScrollValue(int32_t value) override {
        calls.push_back("SetScrollValue " + std::to_string(value));
        if (model) model->SetFirstIndex(static_cast<int16_t>(value));
    }
    void EraseControl() override { calls.push_back("EraseControl"); }
    // Eight pixels a character, like a fixed-width font.
    int32_t TextWidth(TextView text) override { return 8 * static_cast<int32_t>(text.size()); }
    void PropertyChanged(std::u16string_view name) override {
        calls.push_back("PropertyChanged " + TextToUtf8(name));
    }
};

class RecordingEvents : public PlaylistEvents {
  public:
    struct Raised {
        std::string event;
        int16_t oldIndex, newIndex, reason;
    };
    std::vector<Raised> raised;
    int16_t rewriteNewTo = -2;  // -2: leave NewIndex alone
    int16_t rewriteOldTo = -2;

    void ListIndexChanged(int16_t& o, int16_t& n, int16_t& r) override {
        Record("ListIndexChanged", o, n, r);
    }
    void PlayIndexChanged(int16_t& o, int16_t& n, int16_t& r) override {
        Record("PlayIndexChanged", o, n, r);
    }

  private:
    void Record(const char* name, int16_t& o, int16_t& n, int16_t& r) {
        raised.push_back({name, o, n, r});
        if (rewriteNewTo != -2) n = rewriteNewTo;
        if (rewriteOldTo != -2) o = rewriteOldTo;
    }
};

class FakeFiles : public FileProbe {
  public:
    std::set<Text> existing;
    bool OrdinaryFileExists(TextView path) override { return existing.count(Text(path)) > 0; }
};

class PlaylistModelTest : public ::testing::Test {
  protected:
    RecordingView view;
    RecordingEvents events;
    FakeFiles files;
    PlaylistModel list{view, events, files};

    void SetUp() override {
        view.model = &list;
        // 10 whole rows of 18 pixels inside a one-pixel border.
        list.SetScaleHeight(182);
    }
    void Fill(int count) {
        for (int i = 0; i < count; ++i) list.AddItem(u"song" + Utf8ToText(std::to_string(i)));
        view.calls.clear();
    }
    std::vector<Text> Titles() const {
        std::vector<Text> out;
        for (const auto& item : list.Items()) out.push_back(item.Title);
        return out;
    }
};

TEST_F(PlaylistModelTest, AddItemWithTitleOnlyFillsDefaultsAndDrawsTheNewRow) {
    EXPECT_EQ(list.AddItem(u"晴天"), 1);
    EXPECT_EQ(list.Title(0), u"晴天");
    EXPECT_EQ(list.Author(0), u"UnKnow");
    EXPECT_EQ(list.StrTime(0), u"");
    EXPECT_EQ(list.URL(0), u"");
    EXPECT_FALSE(list.ItemError(0));
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRow 0", "UpdateScrollRange"}));
    // The number column is measured from the new count, plus 4.
    EXPECT_EQ(list.NumberWidth(), 8 + 4);
    EXPECT_EQ(list.AddItem(u"b", u"周杰伦", u"123", u"03:20"), 2);
    EXPECT_EQ(list.Author(1), u"周杰伦");
    EXPECT_EQ(list.URL(1), u"123");
    EXPECT_EQ(list.StrTime(1), u"03:20");
}

TEST_F(PlaylistModelTest, TheTenthEntryRedrawsEveryRowWithTheWiderNumberColumn) {
    Fill(9);
    list.AddItem(u"10");
    EXPECT_EQ(list.NumberWidth(), 16 + 4);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRows", "UpdateScrollRange"}));
    view.calls.clear();
    list.AddItem(u"11");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRow 10", "UpdateScrollRange"}));
}

TEST_F(PlaylistModelTest, AddItemAtIndexInsertsTruncatesAndRefusesOutOfRange) {
    Fill(3);
    EXPECT_EQ(list.AddItem(u"x", {}, {}, {}, 4.0), -1);
    EXPECT_EQ(list.AddItem(u"x", {}, {}, {}, -1.0), -1);
    EXPECT_EQ(list.AddItem(u"x", {}, {}, {}, -0.5), -1);  // rounds down to -1
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_TRUE(view.calls.empty());

    EXPECT_EQ(list.AddItem(u"mid", {}, {}, {}, 1.7), 4);
    EXPECT_EQ(Titles(), (std::vector<Text>{u"song0", u"mid", u"song1", u"song2"}));
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRows", "UpdateScrollRange"}));

    EXPECT_EQ(list.AddItem(u"end", {}, {}, {}, 4.0), 5);
    EXPECT_EQ(list.Title(4), u"end");
}

TEST_F(PlaylistModelTest, InsertionLeavesSelectionAndPlayingRowNumbersAlone) {
    Fill(3);
    list.SetListIndex(1);
    list.SetPlayIndex(2);
    list.AddItem(u"first", {}, {}, {}, 0.0);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.PlayIndex(), 2);
    EXPECT_EQ(list.Title(2), u"song1");
}

TEST_F(PlaylistModelTest, AddItemOnEmptyListTakesOnlyIndexZero) {
    EXPECT_EQ(list.AddItem(u"x", {}, {}, {}, 1.0), -1);
    EXPECT_EQ(list.AddItem(u"x", {}, {}, {}, 0.9), 1);
    EXPECT_EQ(view.calls.front(), "DrawRow 0");
}

TEST_F(PlaylistModelTest, ListStopsAtTheLastSixteenBitIndex) {
    for (int i = 0; i < PlaylistModel::kMaxItems; ++i) ASSERT_EQ(list.AddItem(u"s"), i + 1);
    view.calls.clear();
    EXPECT_EQ(list.AddItem(u"one too many"), -1);
    EXPECT_EQ(list.AddItem(u"one too many", {}, {}, {}, 0.0), -1);
    EXPECT_EQ(list.ListCount(), PlaylistModel::kMaxItems);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(list.Title(32767), u"s");
}

TEST_F(PlaylistModelTest, RemoveItemKeepsIndexNumbersExceptThePlayingRow) {
    Fill(5);
    list.SetListIndex(4);
    list.SetPlayIndex(3);
    view.calls.clear();
    EXPECT_EQ(list.RemoveItem(1), 4);
    EXPECT_EQ(Titles(), (std::vector<Text>{u"song0", u"song2", u"song3", u"song4"}));
    EXPECT_EQ(list.PlayIndex(), 3);  // now names the following song
    EXPECT_EQ(list.ListIndex(), 4);  // one past the end
    EXPECT_EQ(view.calls, (std::vector<std::string>{"UpdateScrollRange", "DrawRows"}));

    EXPECT_EQ(list.RemoveItem(3), 3);
    EXPECT_EQ(list.PlayIndex(), -1);
    EXPECT_EQ(list.RemoveItem(3), -1);
    EXPECT_EQ(list.RemoveItem(-1), -1);
}

TEST_F(PlaylistModelTest, RemovingTheLastItemClearsEverything) {
    Fill(1);
    list.SetListIndex(0);
    list.SetPlayIndex(0);
    list.SetFirstIndex(0);
    view.calls.clear();
    EXPECT_EQ(list.RemoveItem(0), 0);
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.PlayIndex(), -1);
    EXPECT_EQ(list.FirstIndex(), 0);
    EXPECT_EQ(list.BottomIndex(), 0);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"UpdateScrollRange", "EraseControl"}));
    EXPECT_TRUE(events.raised.size() == 2);  // only the two setters above raised events

    view.calls.clear();
    EXPECT_EQ(list.RemoveItem(0), -1);
    list.Clear();
    EXPECT_TRUE(view.calls.empty());
}

TEST_F(PlaylistModelTest, NewItemAfterRemovalStartsWithoutError) {
    Fill(1);
    list.SetItemError(0, true);
    list.RemoveItem(0);
    list.AddItem(u"fresh");
    EXPECT_FALSE(list.ItemError(0));
}

TEST_F(PlaylistModelTest, AccessorsIgnoreInvalidIndexes) {
    Fill(2);
    EXPECT_EQ(list.Title(2), u"");
    EXPECT_EQ(list.Author(-1), u"");
    EXPECT_FALSE(list.ItemError(7));
    list.SetTitle(-1, u"nope");
    list.SetURL(2, u"nope");
    list.SetItemError(2, true);
    EXPECT_TRUE(view.calls.empty());

    list.SetTitle(1, u"new");
    list.SetURL(1, u"42");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRow 1"}));  // the address is not drawn
    EXPECT_EQ(list.URL(1), u"42");

    view.calls.clear();
    list.SetItemError(1, false);  // unchanged: no redraw
    list.SetItemError(1, true);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRow 1"}));
}

TEST_F(PlaylistModelTest, SettingListIndexRaisesTheEventAndRedraws) {
    Fill(5);
    list.SetListIndex(2);
    ASSERT_EQ(events.raised.size(), 1u);
    EXPECT_EQ(events.raised[0].event, "ListIndexChanged");
    EXPECT_EQ(events.raised[0].oldIndex, -1);
    EXPECT_EQ(events.raised[0].newIndex, 2);
    EXPECT_EQ(events.raised[0].reason, 1);
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"DrawRow 2", "DrawRow -1", "PropertyChanged ListIndex"}));

    // Its current value, a row past the end and a negative row are ignored.
    view.calls.clear();
    list.SetListIndex(2);
    list.SetListIndex(5);
    list.SetListIndex(-1);
    EXPECT_EQ(events.raised.size(), 1u);
    EXPECT_TRUE(view.calls.empty());
}

TEST_F(PlaylistModelTest, HandlerRewritingTheIndexesDecidesTheSelection) {
    Fill(5);
    list.SetListIndex(1);
    view.calls.clear();
    events.rewriteNewTo = 4;
    events.rewriteOldTo = 3;
    list.SetListIndex(2);
    EXPECT_EQ(list.ListIndex(), 4);
    // New row, the rewritten old row, and the row selected before the call.
    EXPECT_EQ(view.calls,
              (std::vector<std::string>{"DrawRow 4", "DrawRow 3", "DrawRow 1", "PropertyChanged ListIndex"}));
}

TEST_F(PlaylistModelTest, PlayIndexOutOfViewScrollsItToTheTop) {
    Fill(40);
    list.SetFirstIndex(0);
    EXPECT_EQ(list.BottomIndex(), 11);  // 180 / 18 + 0 + 1
    list.SetPlayIndex(11);
    EXPECT_EQ(view.calls.front(), "DrawRow 11");  // the bottom row is still "in view"
    view.calls.clear();
    list.SetPlayIndex(25);
    EXPECT_EQ(view.calls.front(), "SetScrollValue 25");
    EXPECT_EQ(list.FirstIndex(), 25);
    EXPECT_EQ(list.BottomIndex(), 36);
    EXPECT_EQ(events.raised.back().event, "PlayIndexChanged");
    EXPECT_EQ(events.raised.back().oldIndex, 11);
    view.calls.clear();
    list.SetListIndex(3);  // above the view
    EXPECT_EQ(view.calls.front(), "SetScrollValue 3");
}

TEST_F(PlaylistModelTest, IndexFromPointAndLastIndex) {
    EXPECT_EQ(list.IndexFromPoint(5, 10), -1);
    EXPECT_EQ(list.LastIndex(), -1);
    Fill(3);
    list.RecomputeBottomIndex();
    EXPECT_EQ(list.IndexFromPoint(0, 1), 0);
    EXPECT_EQ(list.IndexFromPoint(0, 18), 0);
    EXPECT_EQ(list.IndexFromPoint(0, 19), 1);
    EXPECT_EQ(list.IndexFromPoint(0, 18.5), 0);  // 18.5 rounds to the even 18
    EXPECT_EQ(list.IndexFromPoint(0, 19.5), 1);  // 19.5 rounds to 20
    EXPECT_EQ(list.IndexFromPoint(0, 54), 2);
    EXPECT_EQ(list.IndexFromPoint(0, 55), -1);  // below the last row
    EXPECT_EQ(list.LastIndex(), 2);             // shorter than the view
    Fill(30);
    EXPECT_EQ(list.LastIndex(), 11);
    list.SetFirstIndex(2);
    EXPECT_EQ(list.IndexFromPoint(0, 1), 2);
}

TEST_F(PlaylistModelTest, RowHeightBelowOneCountsAsOne) {
    Fill(3);
    list.SetItemHeight(0);
    EXPECT_EQ(list.IndexFromPoint(0, 3), 2);
    EXPECT_EQ(list.BottomIndex(), 181);
    list.SetItemHeight(-5);
    EXPECT_EQ(list.IndexFromPoint(0, 2), 1);
}

TEST_F(PlaylistModelTest, AutoCheckErrorFlagsMissingFiles) {
    files.existing = {u"C:\\music\\a.mp3"};
    list.SetAutoCheckError(true);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"PropertyChanged AutoCheckError", "DrawRows"}));
    list.AddItem(u"no url");
    list.AddItem(u"there", {}, u"C:\\music\\a.mp3");
    list.AddItem(u"gone", {}, u"C:\\music\\b.mp3");
    list.AddItem(u"insert", {}, u"", {}, 0.0);
    EXPECT_TRUE(list.ItemError(0));
    EXPECT_TRUE(list.ItemError(1));
    EXPECT_FALSE(list.ItemError(2));
    EXPECT_TRUE(list.ItemError(3));
    view.calls.clear();
    list.SetAutoCheckError(true);
    list.SetAutoCheckError(false);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"PropertyChanged AutoCheckError"}));
}

}  // namespace
}  // namespace mulan::playlist
