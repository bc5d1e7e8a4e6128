#include "app/display_ticker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mulan::app {
namespace {

// A player whose clock the test moves.
class ClockPlayer final : public player::MediaPlayer {
  public:
    double position = 0;
    double length = 200;
    Text state = u"正在播放";
    int32_t level = 60;
    int volumeSets = 0;

    Text URL() const override { return {}; }
    void SetURL(TextView) override {}
    void play() override {}
    void pause() override {}
    void stop() override {}
    double currentPosition() const override { return position; }
    void SetCurrentPosition(double at) override { position = at; }
    double duration() const override { return length; }
    int32_t volume() const override { return level; }
    void SetVolume(int32_t v) override {
        level = v;
        ++volumeSets;
    }
    int32_t playState() const override { return 3; }
    Text status() const override { return state; }
    bool fullScreen() const override { return false; }
    void SetFullScreen(bool) override {}
    bool enableContextMenu() const override { return false; }
    void SetEnableContextMenu(bool) override {}
    bool autoStart() const override { return true; }
    void SetAutoStart(bool) override {}
};

// The displays as controls would keep them, counting what they are sent. Being sent what a
// control shows already is a fault: the control would draw the same picture again.
class RecordingDisplay final : public DisplayView {
  public:
    int range = 100, bar = 100, width = 157;  // 2365 twips at 96 DPI
    int seekMax = 10, seek = 0, volume = 60;
    Text status, lyric = u"暂无歌词显示";
    int barSends = 0, seekSends = 0, statusSends = 0, lyricSends = 0;

    void ShowProgress(int r, int p) override {
        EXPECT_FALSE(r == range && p * width / r == bar * width / range) << "bar sent " << p << " again";
        range = r;
        bar = p;
        ++barSends;
    }
    int ProgressRange() const override { return range; }
    int ProgressPosition() const override { return bar; }
    int ProgressWidth() const override { return width; }
    void ShowSeekPosition(int m, int p) override {
        EXPECT_FALSE(m == seekMax && p == seek) << "slider sent " << p << " again";
        seekMax = m;
        seek = p;
        ++seekSends;
    }
    int SeekMaximum() const override { return seekMax; }
    int SeekPosition() const override { return seek; }
    int Volume() const override { return volume; }
    void ShowStatus(TextView text) override {
        EXPECT_NE(text, status) << "status sent again";
        status = Text(text);
        ++statusSends;
    }
    Text ShownStatus() const override { return status; }
    void ShowLyricLine(TextView line) override {
        EXPECT_NE(line, lyric) << "lyric line sent again";
        lyric = Text(line);
        ++lyricSends;
    }
    Text ShownLyricLine() const override { return lyric; }
};

class DisplayTickerTest : public ::testing::Test {
  protected:
    ClockPlayer player;
    RecordingDisplay view;
    DisplayTicker ticker{player, view};
    std::vector<Text> lines{u"[00:01.00]第一行", u"[00:03.50]第二行", u"[00:07.00]第三行"};

    // Ten seconds of playing as the timers tick it: Timer4 (reduced) and Timer3 (full) every 0.1 s.
    void PlayTenSeconds() {
        for (int tick = 0; tick < 100; ++tick) {
            player.position += 0.1;
            ticker.Tick(false, lines);
            ticker.Tick(true, lines);
        }
    }
};

TEST_F(DisplayTickerTest, TellsEachControlOnlyWhatChangesItsPicture) {
    PlayTenSeconds();
    // 200 s over 157 pixels: ten seconds move the bar by 7 or 8 pixels, and the first tick sets its
    // range; the slider moves once a second (and takes its maximum at the first tick).
    EXPECT_GE(view.barSends, 8);
    EXPECT_LE(view.barSends, 9);
    EXPECT_EQ(view.range, 2000);
    EXPECT_EQ(view.seekSends, 11);
    EXPECT_EQ(view.seekMax, 200);
    EXPECT_EQ(view.seek, 10);
    EXPECT_EQ(view.statusSends, 1);
    EXPECT_EQ(view.status, u"正在播放");
    EXPECT_EQ(view.lyricSends, 3);
    EXPECT_EQ(view.lyric, u"第三行");
    EXPECT_EQ(player.volumeSets, 0);  // the slider already says what the player plays at
}

// What other code wrote into a control counts as what it shows: the tick puts its own text back
// only when the text differs, and a new volume reaches the player once.
TEST_F(DisplayTickerTest, ComparesWithWhatTheControlsShowNow) {
    player.position = 3.6;
    ticker.Tick(true, lines);
    EXPECT_EQ(view.lyric, u"第二行");
    view.lyric = u"正在获取歌词。。。";
    view.status = u"共找到20首音乐信息!";
    view.volume = 35;
    const int lyricSends = view.lyricSends;
    ticker.Tick(true, lines);
    ticker.Tick(true, lines);
    EXPECT_EQ(view.lyric, u"第二行");
    EXPECT_EQ(view.lyricSends, lyricSends + 1);
    EXPECT_EQ(view.status, u"正在播放");
    EXPECT_EQ(player.level, 35);
    EXPECT_EQ(player.volumeSets, 1);
}

// A line shows in the first tick of the second its tag names; a seek back moves the bar back.
TEST_F(DisplayTickerTest, ALineShowsInTheFirstTickOfItsSecondAndASeekMovesTheBar) {
    player.position = 0.95;
    ticker.Tick(false, lines);
    EXPECT_EQ(view.lyric, u"暂无歌词显示");
    player.position = 1.0;
    ticker.Tick(false, lines);
    EXPECT_EQ(view.lyric, u"第一行");
    player.position = 150;
    ticker.Tick(false, lines);
    EXPECT_EQ(view.bar, 1500);
    player.position = 20;
    ticker.Tick(false, lines);
    EXPECT_EQ(view.bar, 200);
}

TEST_F(DisplayTickerTest, NothingWhileNoSongIsLoaded) {
    player.state.clear();
    PlayTenSeconds();
    EXPECT_EQ(view.barSends + view.seekSends + view.statusSends + view.lyricSends, 0);
}

}  // namespace
}  // namespace mulan::app
