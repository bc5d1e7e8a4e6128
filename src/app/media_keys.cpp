#include "app/media_keys.h"

#include "app/playback_controller.h"

namespace mulan::app {

std::optional<Command> MediaKeyCommand(MediaKey key, TextView pauseCaption) {
    const bool playing = pauseCaption == kPausePlaying;
    switch (key) {
        case MediaKey::PlayPause:
            return Command::zant;
        case MediaKey::Play:
            if (playing) return std::nullopt;
            return Command::zant;
        case MediaKey::Pause:
        case MediaKey::Stop:
            if (!playing) return std::nullopt;
            return Command::zant;
        case MediaKey::Next:
            return Command::Next;
        case MediaKey::Previous:
            return Command::UP;
    }
    return std::nullopt;
}

}  // namespace mulan::app
