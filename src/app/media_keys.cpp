#include "app/media_keys.h"

#include "app/playback_controller.h"

namespace mulan::app {

std::optional<TextView> MediaKeyCommand(MediaKey key, TextView pauseCaption) {
    const bool playing = pauseCaption == kPausePlaying;
    switch (key) {
        case MediaKey::PlayPause:
            return u"zant";
        case MediaKey::Play:
            if (playing) return std::nullopt;
            return u"zant";
        case MediaKey::Pause:
        case MediaKey::Stop:
            if (!playing) return std::nullopt;
            return u"zant";
        case MediaKey::Next:
            return u"Next";
        case MediaKey::Previous:
            return u"UP";
    }
    return std::nullopt;
}

}  // namespace mulan::app
