#include "controls/playlist/qmlistbox_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "controls/scrollbar/dib_canvas_win32.h"

namespace mulan::playlist {
namespace {

using scrollbar::testing::DibCanvas;

PropertyBag MainWindowSet() {
    std::ifstream file(MULAN_SOURCE_DIR "/resources/qmlistbox1.properties", std::ios::binary);
    return PropertyBag::Parse(
        std::string{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
}

class EventLog : public PlaylistEvents {
  public:
    std::vector<std::string> events;
    void ListIndexChanged(int16_t& o, int16_t& n, int16_t& r) override {
        events.push_back("ListIndexChanged " + std::to_string(o) + "," + std::to_string(n) + "," +
                         std::to_string(r));
    }
    void PlayIndexChanged(int16_t& o, int16_t& n, int16_t& r) override {
        events.push_back("PlayIndexChanged " + std::to_string(o) + "," + std::to_string(n) + "," +
                         std::to_string(r));
    }
    void DBClick(int16_t b, int16_t, float, float) override {
        events.push_back("DBClick " + std::to_string(b));
    }
    void MouseDown(int16_t b, int16_t, float, float) override {
        events.push_back("MouseDown " + std::to_string(b));
    }
    void MouseUp(int16_t b, int16_t, float, float) override {
        events.push_back("MouseUp " + std::to_string(b));
    }
    void Click(int16_t b, int16_t, float, float) override { events.push_back("Click " + std::to_string(b)); }
    void Scroll() override { events.push_back("Scroll"); }
};

class QMListBoxTest : public ::testing::Test {
  protected:
    HWND host = nullptr;
    QMListBox list;
    EventLog log;

    void SetUp() override {
        host = CreateWindowExW(0, L"STATIC", L"playlist host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400, 450,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(host);
        ASSERT_TRUE(list.Create(host, 0, 0, 313, 361, MainWindowSet()));
        list.SetEvents(&log);
        for (int i = 0; i < 40; ++i) {
            const std::string id = std::to_string(1001 + i);
            list.AddItem(u"歌曲 " + Utf8ToText(id), u"歌手", Utf8ToText(id),
                         u"03:2" + Utf8ToText(std::to_string(i % 10)));
        }
    }
    void TearDown() override { DestroyWindow(host); }

    DibCanvas Snapshot() {
        DibCanvas canvas(313, 361);
        SendMessageW(list.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        return canvas;
    }
    static int RowTop(int row) { return 1 + 18 * row; }
    void Press(UINT message, int y) { SendMessageW(list.hWnd(), message, MK_LBUTTON, MAKELPARAM(40, y)); }
};

TEST_F(QMListBoxTest, PaintsStripesSelectionAndThePlayingIcon) {
    list.Model().SetListIndex(2);
    list.Model().SetPlayIndex(4);
    list.Model().SetItemError(5, true);
    const DibCanvas shot = Snapshot();
    EXPECT_EQ(shot.Pixel(0, 100), RGB(0x78, 0xA3, 0xC3));            // the border
    EXPECT_EQ(shot.Pixel(3, RowTop(0) + 1), RGB(0xFF, 0xFF, 0xFF));  // first stripe
    EXPECT_EQ(shot.Pixel(3, RowTop(1) + 1), RGB(0xEA, 0xF6, 0xFA));  // second stripe
    EXPECT_EQ(shot.Pixel(3, RowTop(2) + 1), RGB(0x62, 0x94, 0xCC));  // the selection
    // The play icon's triangle: green at its middle, left of where the number would be.
    const COLORREF icon = shot.Pixel(1 + 2 + 4, RowTop(4) + 3 + 6);
    EXPECT_GT(GetGValue(icon), 150);
    EXPECT_LT(GetRValue(icon), 140);
    EXPECT_TRUE(list.ucBar().Visible());
    // Kept for a look: the rows as the player shows them.
    EXPECT_TRUE(shot.WriteBmp("playlist-rows.bmp"));
}

TEST_F(QMListBoxTest, MouseSelectsAndDoubleClickMarksThePlayingRow) {
    Press(WM_LBUTTONDOWN, RowTop(3) + 5);
    SendMessageW(list.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(40, RowTop(3) + 5));
    Press(WM_LBUTTONDBLCLK, RowTop(3) + 5);
    EXPECT_EQ(list.Model().ListIndex(), 3);
    EXPECT_EQ(list.Model().PlayIndex(), 3);
    EXPECT_EQ(log.events, (std::vector<std::string>{"ListIndexChanged -1,3,0", "MouseDown 1", "MouseUp 1",
                                                    "Click 1", "PlayIndexChanged -1,3,0", "DBClick 1"}));
}

TEST_F(QMListBoxTest, EveryButtonCapturesThePointerUntilItsRelease) {
    auto send = [this](UINT message, int y) { SendMessageW(list.hWnd(), message, 0, MAKELPARAM(40, y)); };
    send(WM_RBUTTONDOWN, RowTop(2) + 5);
    EXPECT_EQ(GetCapture(), list.hWnd());
    send(WM_RBUTTONUP, 500);  // released below the control: still heard, but no click
    EXPECT_EQ(GetCapture(), nullptr);
    send(WM_MBUTTONDOWN, RowTop(4) + 5);
    send(WM_MBUTTONUP, RowTop(4) + 5);
    send(WM_MBUTTONDBLCLK, RowTop(4) + 5);
    send(WM_MBUTTONUP, RowTop(4) + 5);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(list.Model().ListIndex(), 2);
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"ListIndexChanged -1,2,0", "MouseDown 2", "MouseUp 2", "MouseDown 4",
                                        "MouseUp 4", "Click 4", "DBClick 4", "MouseUp 4"}));
}

TEST_F(QMListBoxTest, WheelScrollsByAFifthOfThePageAndMovesTheScrollbar) {
    SendMessageW(list.hWnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(list.Model().FirstIndex(), 4);
    EXPECT_EQ(list.ucBar().Value(), 4);
    EXPECT_EQ(log.events, (std::vector<std::string>{"Scroll"}));
    // The top row is now entry 4, drawn with the first stripe colour and its own number.
    Press(WM_LBUTTONDOWN, RowTop(0) + 5);
    EXPECT_EQ(list.Model().ListIndex(), 4);
    for (int i = 0; i < 20; ++i)
        SendMessageW(list.hWnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(list.Model().FirstIndex(), 40 - 19);
    list.Clear();
    EXPECT_FALSE(list.ucBar().Visible());
    EXPECT_EQ(list.Model().FirstIndex(), 0);
}

}  // namespace
}  // namespace mulan::playlist

namespace mulan::playlist {
namespace {

// The demo catalogue's titles, from its generator's table of (title, singer) lines.
std::vector<Text> DemoTitles() {
    std::ifstream file(MULAN_SOURCE_DIR "/tools/site/make_demo_catalogue.py", std::ios::binary);
    const std::string start = "    (\"";
    std::vector<Text> titles;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(start, 0) != 0) continue;
        const size_t end = line.find('"', start.size());
        if (end != std::string::npos)
            titles.push_back(Utf8ToText(line.substr(start.size(), end - start.size())));
    }
    return titles;
}

TEST(QMListBoxDpi, RowsBarAndFontGrowAtOneAndAHalfAndNoTitleThatFitsIsCut) {
    const HWND host = CreateWindowExW(0, L"STATIC", L"playlist host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 600,
                                      700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(host);
    {
        QMListBox list;
        ASSERT_TRUE(list.Create(host, 0, 0, 313, 361, MainWindowSet()));
        list.SetDpi(96);
        const std::vector<Text> titles = DemoTitles();
        ASSERT_GE(titles.size(), 30u);
        for (const Text& title : titles) list.AddItem(title, u"歌手", u"1001", u"03:00");
        std::vector<bool> fitted;
        for (size_t i = 0; i < titles.size(); ++i) fitted.push_back(list.TitleFits(static_cast<int16_t>(i)));
        EXPECT_GT(std::count(fitted.begin(), fitted.end(), true), 30);

        list.SetDpi(144);
        MoveWindow(list.hWnd(), 0, 0, 470, 542, TRUE);
        EXPECT_EQ(list.Model().RowPitch(), 27);
        EXPECT_EQ(list.Model().ItemHeight(), 18);
        EXPECT_EQ(list.ucBar().Width(), 26);
        for (size_t i = 0; i < titles.size(); ++i) {
            if (fitted[i]) {
                EXPECT_TRUE(list.TitleFits(static_cast<int16_t>(i))) << TextToUtf8(titles[i]);
            }
        }
        // Stripes of 27 pixels inside a border of 2; the scrollbar along the right edge inside it.
        DibCanvas shot(470, 542);
        SendMessageW(list.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.dc()), PRF_CLIENT);
        EXPECT_EQ(shot.Pixel(1, 100), RGB(0x78, 0xA3, 0xC3));
        EXPECT_EQ(shot.Pixel(5, 2 + 26), RGB(0xFF, 0xFF, 0xFF));
        EXPECT_EQ(shot.Pixel(5, 2 + 27), RGB(0xEA, 0xF6, 0xFA));
        RECT bar{};
        GetWindowRect(list.ucBar().hWnd(), &bar);
        MapWindowPoints(nullptr, list.hWnd(), reinterpret_cast<POINT*>(&bar), 2);
        EXPECT_EQ(bar.right, 470 - 2);
        EXPECT_EQ(bar.bottom - bar.top, 542 - 4);
    }
    DestroyWindow(host);
}

}  // namespace
}  // namespace mulan::playlist
