#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/player_status.h"
#include "player/recording_player_events.h"
#include "player/simulated_media_player.h"

namespace mulan::player {
namespace {

constexpr char16_t kSong[] = u"http://media/music/1001.mp3";

class SimulatedPlayerTest : public ::testing::Test {
  protected:
    SimulatedPlayerTest() : player(&events) {
        player.AddSong(kSong, SimulatedMediaPlayer::Song::Lasting(8.0));
        player.AddSong(u"http://media/missing.mp3",
                       SimulatedMediaPlayer::Song::Failing(OpenFailure::HttpStatus, 404));
        player.AddSong(u"http://media/page.htm", SimulatedMediaPlayer::Song::Failing(OpenFailure::NotAudio));
    }
    RecordingPlayerEvents events;
    SimulatedMediaPlayer player;
};

TEST_F(SimulatedPlayerTest, StartsEmptyWithTheDesignedSettings) {
    EXPECT_EQ(player.status(), u"");
    EXPECT_EQ(player.playState(), 0);
    EXPECT_EQ(player.volume(), 50);
    EXPECT_TRUE(player.autoStart());
    EXPECT_EQ(player.duration(), 0);
    EXPECT_TRUE(events.events.empty());
}

TEST_F(SimulatedPlayerTest, AnAddressOpensAndPlaysToTheEndOnTheVirtualClock) {
    player.SetURL(kSong);
    EXPECT_EQ(player.playState(), 9);
    EXPECT_EQ(player.status(), u"正在连接媒体...");
    player.Advance(0);
    EXPECT_EQ(player.playState(), 3);
    EXPECT_EQ(player.status(), u"正在播放");
    EXPECT_DOUBLE_EQ(player.duration(), 8.0);
    player.Advance(2.5);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 2.5);
    player.Advance(6.0);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 8.0);
    EXPECT_EQ(player.playState(), 8);
    EXPECT_EQ(events.events,
              (std::vector<std::string>{"state 9", "status", "state 3", "status", "state 8", "status"}));
}

TEST_F(SimulatedPlayerTest, WithoutAutoStartTheSongIsReadyAndWaitsForPlay) {
    player.SetAutoStart(false);
    player.SetURL(kSong);
    player.Advance(1);
    EXPECT_EQ(player.playState(), 10);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 0);
    player.play();
    player.Advance(1);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 1);
}

TEST_F(SimulatedPlayerTest, PauseHoldsThePositionAndStopRewinds) {
    player.SetURL(kSong);
    player.Advance(3);
    player.pause();
    EXPECT_EQ(player.playState(), 2);
    EXPECT_EQ(player.status(), u"已暂停");
    player.Advance(2);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 3);
    player.play();
    player.Advance(1);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 4);
    events.events.clear();
    player.stop();
    EXPECT_EQ(player.playState(), 1);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 0);
    // The restart rules rely on a status change after a stop.
    EXPECT_EQ(events.events, (std::vector<std::string>{"state 1", "status"}));
}

TEST_F(SimulatedPlayerTest, SeekingMovesThePositionWithinTheSong) {
    player.SetURL(kSong);
    player.Advance(1);
    player.SetCurrentPosition(6.5);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 6.5);
    player.SetCurrentPosition(-3);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 0);
    player.SetCurrentPosition(99);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 8);
}

TEST_F(SimulatedPlayerTest, PlayAfterTheEndStartsAgainFromTheBeginning) {
    player.SetURL(kSong);
    player.Advance(9);
    ASSERT_EQ(player.playState(), 8);
    player.play();
    EXPECT_EQ(player.playState(), 3);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 0);
}

TEST_F(SimulatedPlayerTest, VolumeIsKeptWithinZeroToHundred) {
    player.SetVolume(60);
    EXPECT_EQ(player.volume(), 60);
    player.SetVolume(-5);
    EXPECT_EQ(player.volume(), 0);
    player.SetVolume(250);
    EXPECT_EQ(player.volume(), 100);
}

TEST_F(SimulatedPlayerTest, FailedAddressesStopWithAStatusThatSaysWhy) {
    player.SetURL(u"http://media/missing.mp3");
    player.Advance(0);
    EXPECT_EQ(player.playState(), 1);
    EXPECT_EQ(player.status(), u"无法打开：服务器答复 404");
    player.SetURL(u"http://media/page.htm");
    player.Advance(0);
    EXPECT_EQ(player.status(), u"无法播放：不是音频数据");
    player.SetURL(u"http://nowhere/unknown.mp3");
    player.Advance(0);
    EXPECT_EQ(player.status(), u"无法打开：连接服务器失败");
}

TEST_F(SimulatedPlayerTest, PlayOnAFailedAddressDoesNotRequestItAgain) {
    player.SetURL(u"http://media/missing.mp3");
    player.Advance(0);
    events.events.clear();
    player.play();
    player.Advance(1);
    EXPECT_EQ(player.playState(), 1);
    EXPECT_TRUE(events.events.empty());
}

TEST_F(SimulatedPlayerTest, StopWhileOpeningEndsReadyAndPlayThenStartsTheSong) {
    player.SetOpenDelay(0.5);
    player.SetURL(kSong);
    player.stop();
    EXPECT_EQ(player.playState(), 1);
    player.Advance(0.5);
    EXPECT_EQ(player.playState(), 10);
    player.play();
    player.Advance(1);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 1);
}

TEST_F(SimulatedPlayerTest, AnEmptyAddressUnloadsThePlayer) {
    player.SetURL(kSong);
    player.Advance(1);
    player.SetURL(u"");
    EXPECT_EQ(player.status(), u"");
    EXPECT_EQ(player.playState(), 0);
    EXPECT_EQ(player.duration(), 0);
}

// A handler that calls the player back sees the new state already stored.
class RestartingEvents : public RecordingPlayerEvents {
  public:
    void StatusChange() override {
        RecordingPlayerEvents::StatusChange();
        if (player->playState() == 1 && restarts-- > 0) player->play();
    }
    int restarts = 1;
};

TEST(SimulatedPlayerEvents, AStatusHandlerMayRestartThePlayer) {
    RestartingEvents events;
    SimulatedMediaPlayer player(&events);
    events.player = &player;
    player.AddSong(kSong, SimulatedMediaPlayer::Song::Lasting(5));
    player.SetURL(kSong);
    player.Advance(2);
    player.stop();
    EXPECT_EQ(player.playState(), 3);
    player.Advance(1);
    EXPECT_DOUBLE_EQ(player.currentPosition(), 1);
}

TEST(PlayerStatus, EveryStateTheUserSeesHasAChineseTextAndNothingLoadedHasNone) {
    EXPECT_EQ(StatusText(PlayState::Undefined), u"");
    for (PlayState state :
         {PlayState::Stopped, PlayState::Paused, PlayState::Playing, PlayState::Buffering, PlayState::Waiting,
          PlayState::MediaEnded, PlayState::Transitioning, PlayState::Ready}) {
        EXPECT_FALSE(StatusText(state).empty()) << static_cast<int>(state);
    }
    EXPECT_EQ(FailureStatus(OpenFailure::HttpStatus, 503), u"无法打开：服务器答复 503");
    EXPECT_EQ(FailureStatus(OpenFailure::BadAddress), u"无法打开：地址无效");
}

}  // namespace
}  // namespace mulan::player
