#include "app/playback_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/playlist_fakes.h"

namespace mulan::app {
namespace {

using Log = std::vector<std::string>;

// One log for every side the controller touches, so the order of its steps can be checked.
class Recorder : public SongSite,
                 public PlaybackWindow,
                 public player::MediaPlayer,
                 public playlist::PlaylistAppearanceHost {
  public:
    Log log;
    bool resolveFails = false;
    Text pauseCaption = kPauseStopped;
    int32_t state = 0;

    // Runs while the address is fetched, as other events may.
    std::function<void()> whileResolving;

    std::optional<Text> ResolveSongAddress(TextView id) override {
        log.push_back("resolve " + TextToUtf8(id));
        if (whileResolving) whileResolving();
        if (resolveFails) return std::nullopt;
        return u"http://media/" + Text(id) + u".mp3";
    }
    std::function<void()> whileLyrics;

    bool FetchLyrics(TextView id) override {
        log.push_back("lyrics " + TextToUtf8(id));
        if (whileLyrics) whileLyrics();
        return true;
    }
    Text PauseCaption() const override { return pauseCaption; }
    void SetPauseCaption(TextView caption) override {
        pauseCaption = Text(caption);
        log.push_back("zant " + TextToUtf8(caption));
    }
    void SetStatusPanel1(TextView text) override { log.push_back("panel1 " + TextToUtf8(text)); }
    Text Caption() const override { return kCaption; }
    void ShowTrayNotice(const TrayNotice& n) override {
        log.push_back("tray " + TextToUtf8(n.tip) + "|" + TextToUtf8(n.balloon));
    }

    Text URL() const override { return url; }
    void SetURL(TextView u) override {
        url = Text(u);
        log.push_back("URL " + TextToUtf8(u));
    }
    void play() override { log.push_back("play"); }
    void pause() override { log.push_back("pause"); }
    void stop() override { log.push_back("stop"); }
    double currentPosition() const override { return 0; }
    void SetCurrentPosition(double) override {}
    double duration() const override { return 0; }
    int32_t volume() const override { return 50; }
    void SetVolume(int32_t) override {}
    int32_t playState() const override { return state; }
    Text status() const override { return {}; }
    bool fullScreen() const override { return false; }
    void SetFullScreen(bool) override {}
    bool enableContextMenu() const override { return true; }
    void SetEnableContextMenu(bool) override {}
    bool autoStart() const override { return true; }
    void SetAutoStart(bool) override {}

    void ApplyBackColor(Colour) override {}
    void ApplyFont(const playlist::FontSpec&) override {}
    void MeasureColumns() override {}
    void PlaceBar() override {}
    void DrawBorder() override {}

  private:
    Text url;
};

class PlaybackControllerTest : public ::testing::Test {
  protected:
    mulan::testing::QuietPlaylistView view;
    mulan::testing::QuietPlaylistEvents events;
    mulan::testing::FakeFiles files;
    playlist::PlaylistModel list{view, events, files};
    Recorder r;
    playlist::PlaylistProperties appearance{list, view, r};
    MainWindowState state;
    PlaybackController controller{state, list, appearance, r, r, r};

    void Fill(int n) {
        for (int i = 0; i < n; ++i) {
            const Text id = Utf8ToText(std::to_string(1001 + i));
            list.AddItem(u"歌" + id, id, id);
        }
    }
};

TEST_F(PlaybackControllerTest, DoubleClickStartsWithTheRequestsBeforeTheTitles) {
    Fill(3);
    controller.PlayEntry(1, PlayTrigger::DoubleClick);
    EXPECT_EQ(r.log, (Log{"resolve 1002", "lyrics 1002", "URL http://media/1002.mp3", "zant 播放中",
                          "panel1 正在播放：歌1002", "tray 沐岚音乐播放器|正在播放：歌1002"}));
    EXPECT_EQ(list.PlayIndex(), 1);
    EXPECT_EQ(appearance.Colours().ItemPlyTextColor, 0xC000u);
    EXPECT_EQ(state.CurrentAddress, u"http://media/1002.mp3");
    EXPECT_EQ(state.NowPlayingTitle, u"歌1002");
    EXPECT_EQ(state.AutoResume, 1);
    EXPECT_EQ(state.CurrentIndex, 1);
}

// A row of the results window: appended and played as the new last entry. The double click starts
// the player before the lyrics, the menu after; the tray notice's tip is the results window's caption.
TEST_F(PlaybackControllerTest, AResultIsAppendedAndPlayedInItsStartsOrder) {
    Fill(1);
    controller.PlayResult({u"2002", u"乙"}, ResultStart::DoubleClick, u"搜索完成");
    EXPECT_EQ(r.log, (Log{"resolve 2002", "URL http://media/2002.mp3", "panel1 正在播放：乙",
                          "tray 搜索完成|正在播放：乙", "zant 播放中", "lyrics 2002"}));
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.URL(1), u"2002");
    EXPECT_EQ(list.PlayIndex(), 1);
    EXPECT_EQ(appearance.Colours().ItemPlyTextColor, 0xC000u);
    EXPECT_EQ(state.NowPlayingTitle, u"乙");
    r.log.clear();
    controller.PlayResult({u"2003", u"丙"}, ResultStart::Menu, u"音乐搜索");
    EXPECT_EQ(r.log, (Log{"resolve 2003", "lyrics 2003", "URL http://media/2003.mp3", "zant 播放中",
                          "panel1 正在播放：丙", "tray 音乐搜索|正在播放：丙"}));
    EXPECT_EQ(list.PlayIndex(), 2);
}

// Entries a search appends while the address is fetched do not change the song played or shown.
TEST_F(PlaybackControllerTest, AResultPlaysTheEntryItAppendedAndStopsWithoutAnAddress) {
    r.whileResolving = [&] { list.AddItem(u"start-up hit", u"9", u"9"); };
    controller.PlayResult({u"2002", u"乙"}, ResultStart::Menu, u"c");
    EXPECT_EQ(r.log[1], "lyrics 2002");
    EXPECT_EQ(r.log[4], "panel1 正在播放：乙");
    EXPECT_EQ(state.NowPlayingTitle, u"乙");
    r.whileResolving = nullptr;
    r.resolveFails = true;
    r.log.clear();
    controller.PlayResult({u"2004", u"丁"}, ResultStart::DoubleClick, u"c");
    EXPECT_EQ(r.log, (Log{"resolve 2004", "panel1 无法获取歌曲地址：丁"}));  // no lyrics, player or notice
    EXPECT_EQ(list.PlayIndex(), 2);
    EXPECT_EQ(state.NowPlayingTitle, u"乙");
}

// A start made while another waits for the site (a key, the end of a song) is the one that plays:
// the older one stops where it is, whichever wait the newer came in.
TEST_F(PlaybackControllerTest, AStartOvertakenWhileItWaitsStopsThere) {
    Fill(3);
    r.whileResolving = [&] {
        r.whileResolving = nullptr;
        controller.PlayEntry(2, PlayTrigger::Next);
    };
    controller.PlayEntry(0, PlayTrigger::DoubleClick);
    EXPECT_EQ(r.log, (Log{"resolve 1001", "panel1 正在播放：歌1003", "resolve 1003", "lyrics 1003",
                          "URL http://media/1003.mp3", "stop", "tray 沐岚音乐播放器|正在播放：歌1003"}));
    EXPECT_EQ(state.CurrentIndex, 2);
    EXPECT_EQ(state.CurrentAddress, u"http://media/1003.mp3");
    // Overtaken in the lyrics' wait, from the results window's menu: the address is not played.
    r.log.clear();
    r.whileLyrics = [&] {
        r.whileLyrics = nullptr;
        controller.PlayEntry(1, PlayTrigger::Pla);
    };
    controller.PlayResult({u"2002", u"乙"}, ResultStart::Menu, u"c");
    EXPECT_EQ(r.log[0], "resolve 2002");
    EXPECT_EQ(r.log[1], "lyrics 2002");
    EXPECT_EQ(r.log.back(), "tray 沐岚音乐播放器|正在播放：歌1002");
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "URL http://media/2002.mp3"), 0);
    EXPECT_EQ(state.NowPlayingTitle, u"歌1002");
}

TEST_F(PlaybackControllerTest, NextAndPreviousWrapAroundAndStopTheOldSong) {
    Fill(3);
    state.CurrentIndex = 2;
    controller.StepNext();
    EXPECT_EQ(r.log, (Log{"panel1 正在播放：歌1001", "resolve 1001", "lyrics 1001",
                          "URL http://media/1001.mp3", "stop", "tray 沐岚音乐播放器|正在播放：歌1001"}));
    EXPECT_EQ(state.CurrentIndex, 0);
    EXPECT_EQ(state.AutoResume, 0);  // only a start by the user or the end of a song sets it
    r.log.clear();
    controller.StepPrevious();
    EXPECT_EQ(state.CurrentIndex, 2);
    EXPECT_EQ(r.log.front(), "zant 播放中");
    EXPECT_EQ(r.log[1], "panel1 正在播放：歌1003");
}

TEST_F(PlaybackControllerTest, EndOfSongFollowsThePlayMode) {
    Fill(3);
    state.CurrentIndex = 2;
    state.Mode = PlayMode::ListLoop;
    controller.PlayStateChange(8);
    EXPECT_EQ(state.CurrentIndex, 0);
    EXPECT_EQ(state.AutoResume, 1);
    EXPECT_EQ(r.log.back(), "tray 正在播放：歌1001|");  // the tip changes, no balloon
    state.Mode = PlayMode::SingleRepeat;
    controller.PlayStateChange(8);
    EXPECT_EQ(state.CurrentIndex, 0);
    controller.PlayStateChange(3);  // other states are ignored
    EXPECT_EQ(r.log.back(), "tray 正在播放：歌1001|");

    // Entries deleted below the current one: the list starts over.
    state.CurrentIndex = 7;
    r.log.clear();
    controller.PlayStateChange(8);
    EXPECT_EQ(state.CurrentIndex, 0);
    EXPECT_EQ(r.log[1], "resolve 1001");
}

TEST_F(PlaybackControllerTest, RandomModeDrawsTheSameSequenceEveryRun) {
    Fill(4);
    auto draws = [&] {
        MainWindowState s;
        s.Mode = PlayMode::Random;
        PlaybackController c{s, list, appearance, r, r, r};
        std::vector<int> picked;
        for (int i = 0; i < 40; ++i) {
            c.PlayStateChange(8);
            picked.push_back(s.CurrentIndex);
        }
        return picked;
    };
    const auto first = draws();
    EXPECT_EQ(first, draws());
    bool repeated = false, seen[4] = {};
    for (size_t i = 0; i < first.size(); ++i) {
        ASSERT_GE(first[i], 0);
        ASSERT_LT(first[i], 4);
        seen[first[i]] = true;
        if (i > 0 && first[i] == first[i - 1]) repeated = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
    EXPECT_TRUE(repeated);  // the song just played may be drawn again
}

TEST_F(PlaybackControllerTest, EntriesWithoutAnIdStartNothing) {
    controller.StepNext();  // empty playlist
    controller.PlayStateChange(8);
    Fill(2);
    controller.PlayEntry(-1, PlayTrigger::DoubleClick);
    controller.PlayEntry(5, PlayTrigger::Pla);
    EXPECT_TRUE(r.log.empty());
    EXPECT_EQ(list.PlayIndex(), -1);
}

TEST_F(PlaybackControllerTest, FailedResolveLeavesThePlayerAloneAndSaysSo) {
    Fill(2);
    r.resolveFails = true;
    controller.PlayEntry(0, PlayTrigger::Pla);
    EXPECT_EQ(r.log, (Log{"resolve 1001", "panel1 无法获取歌曲地址：歌1001"}));
    EXPECT_EQ(state.AutoResume, 0);
}

TEST_F(PlaybackControllerTest, StatusHandlingAndPauseToggle) {
    r.state = 1;  // stopped, but nobody asked for a restart yet
    controller.StatusChange();
    EXPECT_TRUE(r.log.empty());
    state.AutoResume = 1;
    controller.StatusChange();
    EXPECT_EQ(r.log, (Log{"play"}));
    r.log.clear();
    r.state = 10;
    controller.StatusChange();
    EXPECT_EQ(r.log, (Log{"zant 播放中", "play"}));

    // Paused, then Next: the caption stays, so the next toggle resumes and only the one after pauses.
    r.log.clear();
    controller.TogglePause();
    EXPECT_EQ(r.log, (Log{"zant 已暂停", "pause"}));
    Fill(2);
    r.log.clear();
    controller.StepNext();
    EXPECT_EQ(r.pauseCaption, kPausePaused);
    r.log.clear();
    controller.TogglePause();
    EXPECT_EQ(r.log, (Log{"zant 播放中", "play"}));
}

TEST_F(PlaybackControllerTest, DeleteAndClearLeaveTheSongPlaying) {
    Fill(3);
    controller.PlayEntry(1, PlayTrigger::DoubleClick);
    r.log.clear();
    state.MenuIndex = 0;
    controller.DeleteEntry();
    EXPECT_EQ(list.ListCount(), 2);
    state.MenuIndex = 9;
    controller.DeleteEntry();
    controller.ClearList();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_TRUE(r.log.empty());
    EXPECT_EQ(state.NowPlayingTitle, u"歌1002");
    EXPECT_EQ(state.CurrentIndex, 1);
}

}  // namespace
}  // namespace mulan::app
