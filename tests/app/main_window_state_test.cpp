#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/form1_layout.h"
#include "app/main_window_state.h"
#include "app/menu_model.h"
#include "player/recording_player_events.h"
#include "player/simulated_media_player.h"

namespace mulan::app {
namespace {

TEST(MainWindowState, StartsAsDesigned) {
    const MainWindowState state;
    EXPECT_EQ(state.CurrentIndex, 0);
    EXPECT_EQ(state.MenuIndex, 0);
    EXPECT_EQ(state.AutoResume, 0);
    EXPECT_EQ(state.TrayNoticeState, 1);
    EXPECT_TRUE(state.NowPlayingTitle.empty());
    EXPECT_TRUE(state.CurrentAddress.empty());
    EXPECT_EQ(state.Mode, PlayMode::ListLoop);
    const TrayNotice notice = StartupNotice(kCaption);
    EXPECT_EQ(notice.tip, u"沐岚音乐播放器");
    EXPECT_EQ(notice.balloon, u"");
    EXPECT_EQ(notice.balloonFlags, 10u);
    EXPECT_EQ(notice.timeout, 5000u);
}

TEST(MainWindowState, ClosingBeforeAnySongShowsTheBalloonEveryTime) {
    MainWindowState state;
    for (int i = 0; i < 2; ++i) {
        const TrayNotice notice = CloseRequestNotice(state, kCaption);
        EXPECT_EQ(notice.tip, u"沐岚音乐播放器");
        EXPECT_EQ(notice.balloon, u"     最小化继续运行中!");
        EXPECT_EQ(notice.balloonFlags, 1u);
        EXPECT_EQ(state.TrayNoticeState, 1);
    }
}

TEST(MainWindowState, ClosingAfterASongOnlyChangesTheTipFromThenOn) {
    MainWindowState state;
    state.NowPlayingTitle = u"后来的我们";
    TrayNotice notice = CloseRequestNotice(state, kCaption);
    EXPECT_EQ(notice.tip, u"正在播放：后来的我们");
    EXPECT_EQ(notice.balloon, u"");
    EXPECT_EQ(state.TrayNoticeState, 2);
    state.NowPlayingTitle.clear();
    notice = CloseRequestNotice(state, kCaption);
    EXPECT_EQ(notice.tip, u"正在播放：");
    EXPECT_EQ(notice.balloon, u"");
}

TEST(MainWindowState, ExitStopsAndMutesThePlayerWithRestartsOff) {
    player::RecordingPlayerEvents events;
    player::SimulatedMediaPlayer player(&events);
    player.AddSong(u"http://m/1.mp3", player::SimulatedMediaPlayer::Song::Lasting(5));
    player.SetURL(u"http://m/1.mp3");
    player.Advance(1);
    MainWindowState state;
    state.AutoResume = 1;
    events.events.clear();
    StopPlayerForExit(state, player);
    EXPECT_EQ(state.AutoResume, 2);
    EXPECT_EQ(player.volume(), 0);
    EXPECT_EQ(player.playState(), 1);
    // Stopped once: the later passes find the volume at 0.
    EXPECT_EQ(events.events, (std::vector<std::string>{"state 1", "status"}));
}

TEST(MainWindowState, StartupErrorsAreReportedExceptTheSkinLibrarys) {
    EXPECT_FALSE(StartupErrorMessage(std::nullopt));
    EXPECT_FALSE(StartupErrorMessage(StartupFailure{53, u"文件未找到: SkinH.dll"}));
    EXPECT_FALSE(StartupErrorMessage(StartupFailure{453, u"找不到 SkinH.dll 中的 DLL 入口点 SkinH_SetAero"}));
    const auto message = StartupErrorMessage(StartupFailure{5, u"无效的过程调用或参数"});
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, u"错误代码：5\r\n错误信息：无效的过程调用或参数");
}

TEST(Menus, TheThreeMenusHaveTheirDesignedItemsInOrder) {
    const auto names = [](const MenuModel& menu) {
        std::vector<std::string> out;
        for (const MenuItem& item : menu.items())
            out.push_back(TextToUtf8(item.name) + ":" + TextToUtf8(item.caption));
        return out;
    };
    EXPECT_EQ(MakeMenuModel(MenuId::Menu).caption(), u"菜单");
    EXPECT_EQ(
        names(MakeMenuModel(MenuId::Menu)),
        (std::vector<std::string>{"Pla:播放", "lines:-", "Dolown:下载本首歌曲", "s:-", "se360:获取外链地址",
                                  "ddwdw:-", "DEL:删除选中", "LIX:-", "Cles:清空列表"}));
    EXPECT_EQ(MakeMenuModel(MenuId::Mos).caption(), u"播放模式");
    EXPECT_EQ(names(MakeMenuModel(MenuId::Mos)),
              (std::vector<std::string>{"Ones:单曲循环", "Lists:列表循环", "suiji:随机播放"}));
    EXPECT_EQ(MakeMenuModel(MenuId::EndMenu).caption(), u"退出");
    EXPECT_EQ(names(MakeMenuModel(MenuId::EndMenu)),
              (std::vector<std::string>{"zant:停止播放", "dawddwafre:-", "shows:显示", "dw:-", "UP:上一首",
                                        "ls:-", "Next:下一首", "dwdw:-", "ends:退出", "sourceLine:-",
                                        "MusicSource:音乐来源…"}));
}

TEST(Menus, EveryItemRunsTheCommandOfItsNameAndSeparatorsRunNone) {
    for (const MenuId id : {MenuId::Menu, MenuId::Mos, MenuId::EndMenu}) {
        const MenuModel menu = MakeMenuModel(id);
        for (const MenuItem& item : menu.items()) {
            if (item.caption == u"-") {
                EXPECT_EQ(item.command, Command::None) << TextToUtf8(item.name);
                continue;
            }
            ASSERT_NE(item.command, Command::None) << TextToUtf8(item.name);
            // The command's own table entry carries the item's name.
            const auto entry = std::find_if(kMenuEntries.begin(), kMenuEntries.end(),
                                            [&](const MenuEntry& e) { return e.command == item.command; });
            EXPECT_EQ(entry->name, item.name);
            EXPECT_EQ(entry->menu, id);
        }
    }
}

TEST(Menus, HiddenItemsAreLeftOutAndChecksAndCaptionsChange) {
    MenuModel menu = MakeMenuModel(MenuId::EndMenu);
    menu.SetVisible(Command::shows, false);
    menu.SetSeparatorAfterVisible(Command::shows, false);
    const auto shown = menu.VisibleItems();
    ASSERT_EQ(shown.size(), 9u);
    EXPECT_EQ(shown[1].name, u"dawddwafre");
    EXPECT_EQ(shown[2].name, u"UP");
    menu.SetCaption(Command::zant, u"播放中");
    EXPECT_EQ(menu.Find(Command::zant)->caption, u"播放中");
    menu.SetChecked(Command::ends, true);
    EXPECT_TRUE(menu.Find(Command::ends)->checked);
    // A command of another menu, a separator, and the last item's missing separator change nothing.
    EXPECT_EQ(menu.Find(Command::Pla), nullptr);
    EXPECT_EQ(menu.Find(Command::None), nullptr);
    menu.SetVisible(Command::Pla, false);
    menu.SetSeparatorAfterVisible(Command::MusicSource, false);
    menu.SetSeparatorAfterVisible(Command::Next, true);
    EXPECT_EQ(menu.VisibleItems().size(), 9u);
}

TEST(Form1Layout, TwipsBecomePixelsWithHalvesToEven) {
    EXPECT_EQ(TwipsToPixels(15), 1);
    EXPECT_EQ(TwipsToPixels(22), 1);
    EXPECT_EQ(TwipsToPixels(23), 2);
    EXPECT_EQ(TwipsToPixels(4710), 314);
    EXPECT_EQ(TwipsToPixels(7350), 490);
    EXPECT_EQ(TwipsToPixels(2415), 161);
    // 820 / 15 = 54.67; 375 / 15 = 25; 7.5 goes to 8 and 22.5 to 22.
    EXPECT_EQ(TwipsToPixels(820), 55);
    EXPECT_EQ(TwipsToPixels(112), 7);
    EXPECT_EQ(TwipsToPixels(338), 23);
}

TEST(Form1Layout, ControlsArePlacedAsDesigned) {
    EXPECT_EQ(ToPixels(Form1Placement(Form1Control::QMListBox1)), (PixelRect{0, 112, 313, 361}));
    EXPECT_EQ(ToPixels(Form1Placement(Form1Control::StatusBar1)), (PixelRect{0, 473, 314, 17}));
    EXPECT_EQ(ToPixels(Form1Placement(Form1Control::Label1)), (PixelRect{104, 12, 90, 14}));
    EXPECT_EQ(ToPixels(Form1Placement(Form1Control::Command2)), (PixelRect{285, 49, 25, 17}));
    // The state holders lie outside the client area.
    for (const Form1Control control : {Form1Control::List1, Form1Control::Option1, Form1Control::Option2,
                                       Form1Control::Option3, Form1Control::WebBrowser1}) {
        EXPECT_GE(Form1Placement(control).left, kForm1ClientWidthTwips)
            << TextToUtf8(Form1Placement(control).name);
    }
}

}  // namespace
}  // namespace mulan::app
