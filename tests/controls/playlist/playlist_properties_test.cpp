#include "controls/playlist/playlist_properties.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/playlist_fakes.h"

namespace mulan::playlist {
namespace {

class Recorder : public PlaylistView, public PlaylistAppearanceHost {
  public:
    std::vector<std::string> calls;
    void DrawRow(int16_t i) override { calls.push_back("DrawRow " + std::to_string(i)); }
    void DrawRows() override { calls.push_back("DrawRows"); }
    void Refresh() override { calls.push_back("Refresh"); }
    void UpdateScrollRange() override { calls.push_back("UpdateScrollRange"); }
    void SetScrollValue(int32_t) override {}
    void EraseControl() override {}
    int32_t TextWidth(TextView text) override { return 8 * static_cast<int32_t>(text.size()); }
    void PropertyChanged(std::u16string_view name) override {
        calls.push_back("changed " + TextToUtf8(name));
    }
    void ApplyBackColor(Colour) override { calls.push_back("ApplyBackColor"); }
    void ApplyFont(const FontSpec& f) override { calls.push_back("ApplyFont " + TextToUtf8(f.Name)); }
    void MeasureColumns() override { calls.push_back("MeasureColumns"); }
    void PlaceBar() override { calls.push_back("PlaceBar"); }
    void DrawBorder() override { calls.push_back("DrawBorder"); }
};

class PlaylistPropertiesTest : public ::testing::Test {
  protected:
    Recorder recorder;
    mulan::testing::QuietPlaylistEvents events;
    mulan::testing::FakeFiles files;
    PlaylistModel model{recorder, events, files};
    PlaylistProperties properties{model, recorder, recorder};

    void SetUp() override {
        for (int i = 0; i < 4; ++i) model.AddItem(u"x");
        model.SetListIndex(2);
        model.SetPlayIndex(3);
        recorder.calls.clear();
    }
};

TEST_F(PlaylistPropertiesTest, WrittenSetHoldsAllFourteenKeysInOrderAndReadsBack) {
    properties.SetBackColor(0x00123456);
    properties.SetFont(FontSpec{u"Microsoft YaHei, UI", 10.5, 700, true, false, true});
    properties.SetAutoCheckError(true);
    properties.SetItemHeight(22);
    properties.SetItemBkColor1(1);
    properties.SetItemBkColor2(2);
    properties.SetItemSelBkColor(3);
    properties.SetItemNorTextColor(4);
    properties.SetItemSelTextColor(5);
    properties.SetItemPlyTextColor(6);
    properties.SetItemErrTextColor(0x00FFFFFF);
    properties.SetBorder(false);
    properties.SetBorderColor(8);
    properties.SetBorderWidth(3);
    PropertyBag bag;
    properties.WriteProperties(bag);
    std::vector<std::string> keys;
    for (const auto& [k, v] : bag.Entries()) keys.push_back(TextToUtf8(k));
    EXPECT_EQ(keys, (std::vector<std::string>{"BackColor", "Font", "AutoCheckError", "ItemHeight",
                                              "ItemBkColor1", "ItemBkColor2", "ItemSelBkColor",
                                              "ItemNorTextColor", "ItemSelTextColor", "ItemPlyTextColor",
                                              "ItemErrTextColor", "Border", "BorderColor", "BorderWidth"}));

    Recorder otherView;
    PlaylistModel otherModel{otherView, events, files};
    PlaylistProperties read{otherModel, otherView, otherView};
    read.ReadProperties(PropertyBag::Parse(bag.Serialize()));
    EXPECT_EQ(read.Colours().BackColor, 0x00123456u);
    EXPECT_EQ(read.Font(), (FontSpec{u"Microsoft YaHei, UI", 10.5, 700, true, false, true}));
    EXPECT_TRUE(otherModel.AutoCheckError());
    EXPECT_EQ(otherModel.ItemHeight(), 22);
    EXPECT_EQ(read.Colours().ItemBkColor1, 1u);
    EXPECT_EQ(read.Colours().ItemPlyTextColor, 6u);
    EXPECT_EQ(read.Colours().ItemErrTextColor, 0x00FFFFFFu);
    EXPECT_FALSE(otherModel.Border());
    EXPECT_EQ(read.Colours().BorderColor, 8u);
    EXPECT_EQ(otherModel.BorderWidth(), 3);
    // Reading applies the values directly: no host notification, no repaint.
    for (const auto& call : otherView.calls) {
        EXPECT_TRUE(call.rfind("changed", 0) != 0 && call != "DrawRows") << call;
    }
}

TEST_F(PlaylistPropertiesTest, ShippedMainWindowSetIsReadWithLowerCaseKeys) {
    std::ifstream file(MULAN_SOURCE_DIR "/resources/qmlistbox1.properties", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    properties.SetItemHeight(5);
    properties.SetBorder(false);
    properties.ReadProperties(PropertyBag::Parse(text));
    EXPECT_EQ(model.ItemHeight(), 18);
    EXPECT_TRUE(model.Border());
    EXPECT_EQ(model.BorderWidth(), 1);
    EXPECT_EQ(properties.Font(), (FontSpec{u"宋体", 9, 400, false, false, false}));
    const PlaylistColours defaults;
    EXPECT_EQ(properties.Colours().ItemBkColor2, defaults.ItemBkColor2);
    EXPECT_EQ(properties.Colours().ItemSelBkColor, defaults.ItemSelBkColor);
    EXPECT_EQ(properties.Colours().ItemNorTextColor, defaults.ItemNorTextColor);
    EXPECT_EQ(properties.Colours().ItemPlyTextColor, defaults.ItemPlyTextColor);
    EXPECT_EQ(properties.Colours().ItemErrTextColor, defaults.ItemErrTextColor);
    EXPECT_EQ(properties.Colours().BorderColor, defaults.BorderColor);
}

TEST_F(PlaylistPropertiesTest, UnchangedValuesDoNothingButTheFontIsAlwaysApplied) {
    properties.SetItemBkColor1(properties.Colours().ItemBkColor1);
    properties.SetItemHeight(model.ItemHeight());
    properties.SetBorder(model.Border());
    properties.SetBorderWidth(model.BorderWidth());
    EXPECT_TRUE(recorder.calls.empty());
    properties.SetFont(properties.Font());
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"ApplyFont 宋体", "changed Font", "MeasureColumns", "DrawRows"}));
}

TEST_F(PlaylistPropertiesTest, EachColourRepaintsOnlyWhatItColours) {
    properties.SetItemSelBkColor(1);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"changed ItemSelBkColor", "DrawRow 2"}));
    recorder.calls.clear();
    properties.SetItemPlyTextColor(1);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"changed ItemPlyTextColor", "DrawRow 3"}));
    recorder.calls.clear();
    properties.SetItemBkColor2(1);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"changed ItemBkColor2", "DrawRows"}));
    recorder.calls.clear();
    properties.SetBorder(false);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"changed Border", "PlaceBar"}));
    recorder.calls.clear();
    properties.SetBorderColor(7);  // no border: nothing drawn
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"changed BorderColor"}));
    recorder.calls.clear();
    properties.SetBorderWidth(0x10002);  // narrowed to 16 bits
    EXPECT_EQ(model.BorderWidth(), 2);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"changed BorderWidth", "Refresh"}));
}

TEST_F(PlaylistPropertiesTest, BackColorRemeasuresTheColumns) {
    properties.SetBackColor(0x000000FF);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"ApplyBackColor", "changed BackColor", "DrawRows",
                                                        "MeasureColumns"}));
}

TEST(PropertyBag, DamagedSetsKeepTheCurrentValues) {
    const PropertyBag bag = PropertyBag::Parse(
        "\xEF\xBB\xBFItemHeight = 12x\nno equals sign\nBORDER=maybe\n"
        "BackColor=-1\nWidth=99999999999999999999\nFont=,9\n");
    EXPECT_EQ(bag.ReadInt(u"itemheight", 18), 18);
    EXPECT_TRUE(bag.ReadBool(u"border", true));
    EXPECT_EQ(bag.ReadColour(u"backcolor", 0), 0xFFFFFFFFu);
    EXPECT_EQ(bag.ReadInt(u"width", 7), 7);
    EXPECT_EQ(bag.ReadInt(u"missing", 5), 5);
    EXPECT_FALSE(ParseFont(*bag.Read(u"font")));
    EXPECT_FALSE(ParseFont(u"宋体,9,400,0,0"));
    EXPECT_FALSE(ParseFont(u",9,400,0,0,0"));
    EXPECT_TRUE(ParseFont(u"宋体,10.5,700,1,0,0"));
}

}  // namespace
}  // namespace mulan::playlist
