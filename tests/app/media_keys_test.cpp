#include "app/media_keys.h"

#include <gtest/gtest.h>

#include "app/playback_controller.h"

namespace mulan::app {
namespace {

TEST(MediaKeys, RunTheTrayCommandsAndNeverUndoTheirOwnIntent) {
    constexpr auto none = std::nullopt;
    const struct {
        MediaKey key;
        TextView pauseCaption;
        std::optional<Command> command;
    } cases[] = {
        {MediaKey::PlayPause, kPausePlaying, Command::zant},
        {MediaKey::PlayPause, kPausePaused, Command::zant},
        {MediaKey::Next, kPausePaused, Command::Next},
        {MediaKey::Previous, kPausePlaying, Command::UP},
        // Stop and Pause only pause; Play only resumes: a second press does not start the song again.
        {MediaKey::Stop, kPausePlaying, Command::zant},
        {MediaKey::Stop, kPausePaused, none},
        {MediaKey::Stop, kPauseStopped, none},
        {MediaKey::Pause, kPausePlaying, Command::zant},
        {MediaKey::Play, kPausePlaying, none},
        {MediaKey::Play, kPausePaused, Command::zant},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MediaKeyCommand(c.key, c.pauseCaption), c.command)
            << static_cast<int>(c.key) << " " << TextToUtf8(c.pauseCaption);
    }
}

}  // namespace
}  // namespace mulan::app
