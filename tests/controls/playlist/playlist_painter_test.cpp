#include "controls/playlist/playlist_painter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/playlist_fakes.h"
#include "support/recording_canvas.h"

namespace mulan::playlist {
namespace {

using mulan::testing::RecordingCanvas;

bool Has(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

class PlaylistPainterTest : public ::testing::Test {
  protected:
    mulan::testing::QuietPlaylistView view;
    mulan::testing::QuietPlaylistEvents events;
    mulan::testing::FakeFiles files;
    PlaylistModel model{view, events, files};
    PlaylistColours colours;
    ClsIcon icon;
    PlaylistPainter painter{model, colours, icon};
    RecordingCanvas canvas;
    // Inside a one-pixel border: rows 300 wide, 4 rows of 18 in a list 72 high.
    PlaylistGeometry geometry{302, 74, false, 17};

    void SetUp() override {
        const uint8_t image[6 + 16 + 4] = {0, 0,  1, 0, 1, 0, 12, 12, 0, 0, 1,
                                           0, 32, 0, 4, 0, 0, 0,  22, 0, 0, 0};
        icon.LoadFromData(image);
        painter.MeasureColumns(canvas);  // number 28, author 92, time 68
        canvas.calls.clear();
    }
    void Add(int n) {
        for (int i = 0; i < n; ++i) model.AddItem(u"t" + Utf8ToText(std::to_string(i)), u"a", u"", u"03:00");
    }
    std::vector<std::string> Draw(int16_t i) {
        canvas.calls.clear();
        painter.DrawRow(canvas, geometry, i);
        return canvas.calls;
    }
};

TEST_F(PlaylistPainterTest, RowCellsSitInsideTheBorderAtTheirColumns) {
    Add(2);
    // The number column was measured from the count "2" by the last AddItem: 8 + 4.
    EXPECT_EQ(Draw(0),
              (std::vector<std::string>{"fill 1,1,301,19 FFFFFF", "colour 8F614C", "text-c \"1\" 1,4,13,22",
                                        "text-l \"t0\" 15,4,143,22", "text-c \"a\" 140,4,232,22",
                                        "text-c \"03:00\" 232,4,300,22"}));
    // The last row fills the rest of the list and restores the border's bottom edge.
    const auto last = Draw(1);
    EXPECT_EQ(last.front(), "fill 1,19,301,37 FAF6EA");
    EXPECT_TRUE(Has(last, "fill 1,37,301,73 FFFFFF"));
    EXPECT_EQ(last.back(), "line pen 1 0,73,302,73 C3A378");
}

TEST_F(PlaylistPainterTest, TitleExactlyAsWideAsItsColumnIsWholeOnePixelMoreIsShortened) {
    model.AddItem(u"ABCDEFGHIJKLMNOP");  // 16 characters, 128 pixels: the title column's width
    model.AddItem(u"ABCDEFGHIJKLMNOPQ");
    EXPECT_TRUE(Has(Draw(0), "text-l \"ABCDEFGHIJKLMNOP\" 15,4,143,22"));
    // 128 - 24 for "..." leaves 104 pixels: thirteen characters.
    const auto cut = Draw(1);
    EXPECT_TRUE(Has(cut, "text-l \"ABCDEFGHIJKLM\" 15,22,119,40"));
    EXPECT_TRUE(Has(cut, "text-l \"...\" 119,22,143,40"));
    // A centred cell that is cut is left-aligned; with no prefix fitting the ellipsis follows one
    // character's width.
    canvas.calls.clear();
    painter.DrawCellText(canvas, u"WXYZ", 10, 0, 20, 18, TextAlign::Center);
    EXPECT_EQ(canvas.calls,
              (std::vector<std::string>{"text-l \"\" 10,0,18,18", "text-l \"...\" 18,0,30,18"}));
}

TEST_F(PlaylistPainterTest, SelectedPlayingRowShowsIconInSelectionColours) {
    Add(3);
    model.SetListIndex(1);
    model.SetPlayIndex(1);
    const auto row = Draw(1);
    EXPECT_EQ(row[0], "fill 1,19,301,37 CC9462");
    EXPECT_EQ(row[1], "colour FFFFFF");
    // x = left + 2, y = top + (18 - 12) / 2
    EXPECT_EQ(row[2], "icon 12x12 at 3,22 bytes 4");
    EXPECT_FALSE(Has(row, "text-c \"2\" 1,22,13,40"));
}

TEST_F(PlaylistPainterTest, AtOneAndAHalfTimesTheDpiRowsBorderAndIconGrowWhileStoredValuesStay) {
    model.SetDpi(144);
    painter.MeasureColumns(canvas);  // author 88 + 6, time 64 + 6
    Add(3);                          // the number column from "3": 8 + 6
    model.SetListIndex(1);
    model.SetPlayIndex(1);
    geometry = PlaylistGeometry{453, 112, false, 26};  // a two-pixel border, rows of 27
    EXPECT_TRUE(Has(Draw(0), "text-l \"t0\" 19,10,290,37"));
    const auto row = Draw(1);
    EXPECT_EQ(row[0], "fill 2,29,451,56 CC9462");
    EXPECT_EQ(row[2], "icon 18x18 at 5,33 bytes 4");
    EXPECT_EQ(model.ItemHeight(), 18);
    EXPECT_EQ(model.BorderWidth(), 1);
    EXPECT_EQ(model.IndexFromPoint(0, 55), 1);
    EXPECT_EQ(model.IndexFromPoint(0, 56), 2);
}

TEST_F(PlaylistPainterTest, BrokenPlayingRowShowsItsNumberInTheErrorColour) {
    Add(3);
    model.SetPlayIndex(2);
    EXPECT_EQ(Draw(2)[1], "colour 12B753");
    model.SetItemError(2, true);
    const auto row = Draw(2);
    EXPECT_EQ(row[1], "colour 0000FF");
    EXPECT_EQ(row[2], "text-c \"3\" 1,40,13,58");
    EXPECT_TRUE(
        std::none_of(row.begin(), row.end(), [](const std::string& c) { return c.rfind("icon", 0) == 0; }));
}

TEST_F(PlaylistPainterTest, StripesCountFromTheTopRow) {
    Add(10);
    painter.DrawRows(canvas, geometry);
    EXPECT_TRUE(Has(canvas.calls, "fill 1,1,301,19 FFFFFF"));   // row 0 on top
    EXPECT_TRUE(Has(canvas.calls, "fill 1,19,301,37 FAF6EA"));  // row 1
    model.SetFirstIndex(1);
    canvas.calls.clear();
    painter.DrawRows(canvas, geometry);
    EXPECT_TRUE(Has(canvas.calls, "fill 1,1,301,19 FFFFFF"));  // row 1, now on top
    EXPECT_TRUE(Has(canvas.calls, "text-c \"2\" 1,4,21,22"));
    // Rows from FirstIndex to BottomIndex: 72 / 18 + 1 + 1 = 6, so rows 1..6 are drawn.
    EXPECT_TRUE(Has(canvas.calls, "text-c \"7\" 1,94,21,112"));
    EXPECT_FALSE(Has(canvas.calls, "text-c \"8\" 1,112,21,130"));
    // Rows above the top are never drawn.
    EXPECT_TRUE(Draw(0).empty());
}

TEST_F(PlaylistPainterTest, EmptyListShowsOnlyTheBackColour) {
    painter.Paint(canvas, geometry);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"fill 1,1,301,73 FFFFFF", "box pen 1 0,0,301,73 C3A378",
                                                      "fill 1,1,301,73 FFFFFF"}));
    model.SetBorder(false);
    canvas.calls.clear();
    painter.Paint(canvas, geometry);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"fill 0,0,302,74 FFFFFF", "fill 0,0,302,74 FFFFFF"}));
}

TEST_F(PlaylistPainterTest, ScrollbarNarrowsTheRowsAndRemovalRefillsBelowTheLastRow) {
    Add(3);
    geometry.BarVisible = true;
    const auto row = Draw(0);
    EXPECT_EQ(row[0], "fill 1,1,284,19 FFFFFF");
    EXPECT_TRUE(Has(row, "text-c \"03:00\" 215,4,283,22"));
    model.RemoveItem(2);
    EXPECT_TRUE(Has(Draw(1), "fill 1,37,284,73 FFFFFF"));
}

TEST_F(PlaylistPainterTest, FileCheckRunsWhenTheRowIsDrawn) {
    files.existing = {u"/music/a.mp3"};
    model.AddItem(u"a", u"x", u"/music/a.mp3");
    model.SetAutoCheckError(true);
    model.SetItemError(0, true);
    EXPECT_TRUE(model.ItemError(0));
    Draw(0);
    EXPECT_FALSE(model.ItemError(0));  // the check sets the flag anew
}

}  // namespace
}  // namespace mulan::playlist
