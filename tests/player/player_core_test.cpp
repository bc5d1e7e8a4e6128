#include "player/player_core.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "player/recording_player_events.h"

namespace mulan::player {
namespace {

// What the core asked of the output, in order: "open", "start 1500 paused" and so on.
class RecordingOutput : public SoundOutput {
  public:
    std::vector<std::string> calls;
    bool device = true;
    uint64_t heard = 0;
    bool starved = false;
    uint64_t run = 0;

    bool Open(PcmFeed&) override {
        calls.push_back("open");
        return device;
    }
    void Close() override { calls.push_back("close"); }
    void Start(uint64_t frame, bool paused) override {
        ++run;
        heard = frame;
        calls.push_back("start " + std::to_string(frame) + (paused ? " paused" : ""));
    }
    void Stop() override { calls.push_back("stop"); }
    void Pause() override { calls.push_back("pause"); }
    void Resume() override { calls.push_back("resume"); }
    void SetVolume(int32_t volume) override { calls.push_back("volume " + std::to_string(volume)); }
    void MoreData() override { calls.push_back("more"); }
    uint64_t Position() const override { return heard; }
    bool Starved() const override { return starved; }
    bool IsCurrent(uint64_t number) const override { return number == run; }
};

// A decoded song of 1000 frames a second.
class FixedFeed : public PcmFeed {
  public:
    double seconds = 10;
    std::optional<OpenFailure> broke;

    uint32_t sampleRate() const override { return 1000; }
    uint16_t channels() const override { return 2; }
    double duration() const override { return seconds; }
    size_t Read(uint64_t, std::span<int16_t>) override { return 0; }
    bool EndsAt(uint64_t frame) const override { return static_cast<double>(frame) >= seconds * 1000; }
    std::optional<OpenFailure> failure() const override { return broke; }
};

class RecordingHost : public PlayerCore::Host {
  public:
    int released = 0;
    std::vector<PlayState> shown;
    void Release() override { ++released; }
    void Show(PlayState state) override { shown.push_back(state); }
};

class PlayerCoreTest : public ::testing::Test {
  protected:
    PlayerCoreTest() { core.SetEvents(&events); }

    // Loads a song and opens it; the records start afresh after.
    void Open() {
        ASSERT_TRUE(core.Load(u"C:\\Music\\a.mp3"));
        core.Opened(feed);
        Clear();
    }
    void Clear() {
        events.events.clear();
        output.calls.clear();
    }
    using Events = std::vector<std::string>;
    using Calls = std::vector<std::string>;

    RecordingOutput output;
    RecordingHost host;
    RecordingPlayerEvents events;
    FixedFeed feed;
    PlayerCore core{output, host};
};

TEST_F(PlayerCoreTest, ASongOpensPlaysRunsDryAndEndsWithTheEventsInOrder) {
    EXPECT_TRUE(core.Load(u"http://media/a.mp3"));
    EXPECT_EQ(core.state(), PlayState::Transitioning);
    EXPECT_EQ(core.Duration(), 0);
    EXPECT_EQ(host.released, 1);
    core.Opened(feed);
    EXPECT_EQ(output.calls, (Calls{"close", "open", "volume 50", "start 0"}));
    EXPECT_EQ(core.Duration(), 10);
    output.heard = 2500;
    EXPECT_DOUBLE_EQ(core.Position(), 2.5);
    output.starved = true;
    core.OutputReport(output.run, false);
    EXPECT_EQ(core.state(), PlayState::Buffering);
    EXPECT_EQ(core.status(), u"正在缓冲...");
    output.starved = false;
    core.OutputReport(output.run, false);
    // The end of an earlier run is not this one's.
    core.OutputReport(output.run - 1, true);
    EXPECT_EQ(core.state(), PlayState::Playing);
    core.OutputReport(output.run, true);
    EXPECT_EQ(core.state(), PlayState::MediaEnded);
    EXPECT_EQ(events.events, (Events{"state 9", "status", "state 3", "status", "state 6", "status", "state 3",
                                     "status", "state 8", "status"}));
    EXPECT_EQ(host.shown,
              (std::vector<PlayState>{PlayState::Transitioning, PlayState::Playing, PlayState::Buffering,
                                      PlayState::Playing, PlayState::MediaEnded}));
    // Play after the end starts again from the beginning.
    output.calls.clear();
    EXPECT_EQ(core.Position(), 0);
    core.Play();
    EXPECT_EQ(output.calls, (Calls{"start 0"}));
    EXPECT_EQ(core.state(), PlayState::Playing);
}

TEST_F(PlayerCoreTest, PlayAndStopWhileOpeningDecideWhatTheOpenedSongDoes) {
    core.SetAutoStart(false);
    core.Load(u"a.mp3");
    core.Play();  // remembered; nothing to play yet
    EXPECT_EQ(core.state(), PlayState::Transitioning);
    core.Opened(feed);
    EXPECT_EQ(core.state(), PlayState::Playing);

    core.SetAutoStart(true);
    core.Load(u"b.mp3");
    core.Pause();  // nothing to pause while opening
    EXPECT_EQ(core.state(), PlayState::Transitioning);
    events.events.clear();
    core.Stop();  // the song goes on opening and then waits
    EXPECT_EQ(events.events, (Events{"state 1", "status"}));
    output.calls.clear();
    core.Opened(feed);
    EXPECT_EQ(core.state(), PlayState::Ready);
    EXPECT_EQ(core.status(), u"准备就绪");
    EXPECT_EQ(output.calls, (Calls{"open", "volume 50"}));
    core.Pause();  // nor while ready
    EXPECT_EQ(core.state(), PlayState::Ready);
    core.Play();
    EXPECT_EQ(output.calls.back(), "start 0");
}

TEST_F(PlayerCoreTest, PauseHoldsResumeGoesOnAndStopRewinds) {
    Open();
    output.starved = true;
    core.OutputReport(output.run, false);
    core.Pause();  // buffering pauses too
    EXPECT_EQ(core.state(), PlayState::Paused);
    // Neither running dry nor the end moves a paused song.
    core.OutputReport(output.run, false);
    core.OutputReport(output.run, true);
    EXPECT_EQ(core.state(), PlayState::Paused);
    core.Pause();
    core.Play();
    core.Play();
    EXPECT_EQ(output.calls, (Calls{"pause", "resume"}));
    output.heard = 4000;
    EXPECT_DOUBLE_EQ(core.Position(), 4);
    Clear();
    core.Stop();
    EXPECT_EQ(events.events, (Events{"state 1", "status"}));
    EXPECT_EQ(core.Position(), 0);
    core.Play();
    EXPECT_EQ(output.calls, (Calls{"stop", "start 0"}));
}

TEST_F(PlayerCoreTest, SeeksStayWithinTheSongAndKeepPauseOrStop) {
    Open();
    for (const double wanted : {-5.0, std::nan(""), HUGE_VAL, 100.0, 3.5}) core.Seek(wanted);
    EXPECT_EQ(output.calls, (Calls{"start 0", "start 0", "start 0", "start 10000", "start 3500"}));
    core.Pause();
    output.calls.clear();
    core.Seek(6);
    EXPECT_EQ(output.calls, (Calls{"start 6000 paused"}));
    EXPECT_EQ(core.state(), PlayState::Paused);
    core.Stop();
    output.calls.clear();
    core.Seek(2);  // kept for the next play
    EXPECT_TRUE(output.calls.empty());
    EXPECT_DOUBLE_EQ(core.Position(), 2);
    core.Play();
    EXPECT_EQ(output.calls, (Calls{"start 2000"}));

    // A stream without a length can only go back to where it has been.
    feed.seconds = 0;
    output.heard = 7000;
    output.calls.clear();
    core.Seek(60);
    EXPECT_EQ(output.calls, (Calls{"start 7000"}));
}

TEST_F(PlayerCoreTest, FailuresStopWithTheirStatusAndAreKept) {
    // Nothing arrived before the source gave up: the server's answer is shown.
    core.Load(u"http://media/none.mp3");
    EXPECT_TRUE(core.SourceEnded(OpenFailure::HttpStatus, 404, false));
    EXPECT_EQ(core.state(), PlayState::Stopped);
    EXPECT_EQ(core.status(), u"无法打开：服务器答复 404");
    events.events.clear();
    core.Play();
    core.Stop();
    EXPECT_TRUE(events.events.empty());

    // With some bytes the decoder plays what came; the song then ends with the failure.
    Open();
    EXPECT_FALSE(core.SourceEnded(OpenFailure::Interrupted, 0, true));
    EXPECT_FALSE(core.SourceEnded(std::nullopt, 0, false));
    feed.broke = OpenFailure::Interrupted;
    const int released = host.released;
    core.OutputReport(output.run, true);
    EXPECT_EQ(core.status(), u"播放中断：下载未完成");
    EXPECT_EQ(events.events, (Events{"state 1", "status"}));
    EXPECT_EQ(host.released, released + 1);
    EXPECT_FALSE(core.playable());
    EXPECT_EQ(core.Position(), 0);

    feed.broke.reset();
    output.device = false;
    core.Load(u"c.mp3");
    core.Opened(feed);
    EXPECT_EQ(core.status(), u"无法播放：没有可用的声音设备");
    // A new song clears the failure.
    output.device = true;
    Open();
    EXPECT_EQ(core.state(), PlayState::Playing);
}

TEST_F(PlayerCoreTest, AnEmptyAddressUnloadsAndTheVolumeStaysInRange) {
    Open();
    EXPECT_FALSE(core.Load(u""));
    EXPECT_EQ(core.state(), PlayState::Undefined);
    EXPECT_EQ(core.status(), u"");
    EXPECT_EQ(events.events, (Events{"state 0", "status"}));
    EXPECT_EQ(output.calls, (Calls{"close"}));
    core.Play();
    EXPECT_EQ(core.state(), PlayState::Undefined);
    output.calls.clear();
    core.SetVolume(150);
    core.SetVolume(100);
    core.SetVolume(-3);
    EXPECT_EQ(output.calls, (Calls{"volume 100", "volume 0"}));
    EXPECT_EQ(core.volume(), 0);
}

// The program starts the next song from the end's event: the core is whole when it runs.
class NextSongOnEnd : public RecordingPlayerEvents {
  public:
    PlayerCore* core = nullptr;
    void PlayStateChange(int32_t state) override {
        RecordingPlayerEvents::PlayStateChange(state);
        if (state == static_cast<int32_t>(PlayState::MediaEnded)) core->Load(u"next.mp3");
    }
};

TEST_F(PlayerCoreTest, AHandlerMayLoadTheNextSongFromTheEnd) {
    NextSongOnEnd next;
    next.core = &core;
    core.SetEvents(&next);
    Open();
    next.events.clear();
    const uint64_t first = core.number();
    core.OutputReport(output.run, true);
    EXPECT_EQ(core.url(), u"next.mp3");
    EXPECT_EQ(core.number(), first + 1);
    EXPECT_EQ(core.state(), PlayState::Transitioning);
    EXPECT_EQ(next.events, (Events{"state 8", "state 9", "status", "status"}));
    core.Opened(feed);
    EXPECT_EQ(core.state(), PlayState::Playing);
}

}  // namespace
}  // namespace mulan::player
