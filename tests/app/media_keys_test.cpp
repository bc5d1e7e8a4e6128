#include "app/media_keys.h"

#include <gtest/gtest.h>

#include "app/playback_controller.h"

namespace mulan::app {
namespace {

Text CommandOf(MediaKey key, TextView caption) {
    const auto command = MediaKeyCommand(key, caption);
    return command ? Text(*command) : Text(u"none");
}

TEST(MediaKeys, RunTheTrayCommandsAndNeverUndoTheirOwnIntent) {
    EXPECT_EQ(CommandOf(MediaKey::PlayPause, kPausePlaying), u"zant");
    EXPECT_EQ(CommandOf(MediaKey::PlayPause, kPausePaused), u"zant");
    EXPECT_EQ(CommandOf(MediaKey::Next, kPausePaused), u"Next");
    EXPECT_EQ(CommandOf(MediaKey::Previous, kPausePlaying), u"UP");
    // Stop and Pause only pause; Play only resumes: a second press does not start the song again.
    EXPECT_EQ(CommandOf(MediaKey::Stop, kPausePlaying), u"zant");
    EXPECT_EQ(CommandOf(MediaKey::Stop, kPausePaused), u"none");
    EXPECT_EQ(CommandOf(MediaKey::Stop, kPauseStopped), u"none");
    EXPECT_EQ(CommandOf(MediaKey::Pause, kPausePlaying), u"zant");
    EXPECT_EQ(CommandOf(MediaKey::Play, kPausePlaying), u"none");
    EXPECT_EQ(CommandOf(MediaKey::Play, kPausePaused), u"zant");
}

}  // namespace
}  // namespace mulan::app
