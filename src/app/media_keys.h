#pragma once

#include <optional>

#include "app/command.h"
#include "base/text.h"

namespace mulan::app {

// The keyboard's media keys, as the system reports them (hot keys or application commands).
enum class MediaKey { PlayPause, Play, Pause, Stop, Next, Previous };

// The tray menu command a media key runs, given the caption the pause item shows now: Play/Pause
// toggles as zant does, Play only resumes, Pause and Stop only pause, Next and Previous step.
// Nothing when the key would not change anything.
std::optional<Command> MediaKeyCommand(MediaKey key, TextView pauseCaption);

}  // namespace mulan::app
