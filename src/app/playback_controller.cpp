#include "app/playback_controller.h"

namespace mulan::app {

PlaybackController::PlaybackController(MainWindowState& state, playlist::PlaylistModel& playlist,
                                       playlist::PlaylistProperties& appearance, player::MediaPlayer& player,
                                       SongSite& site, PlaybackWindow& window)
    : state_(state),
      playlist_(playlist),
      appearance_(appearance),
      player_(player),
      site_(site),
      window_(window) {}

void PlaybackController::PlayEntry(int16_t i, PlayTrigger trigger) {
    // An index that names no entry has no song id: nothing to start.
    if (playlist_.URL(i).empty()) return;
    const bool stepped =
        trigger == PlayTrigger::Next || trigger == PlayTrigger::Up || trigger == PlayTrigger::EndOfSong;
    playlist_.SetPlayIndex(i);
    appearance_.SetItemPlyTextColor(kPlayingColour);
    if (trigger == PlayTrigger::Up) window_.SetPauseCaption(kPausePlaying);
    if (stepped) window_.SetStatusPanel1(kNowPlaying + playlist_.Title(i));

    const uint32_t ticket = ++starts_;
    const auto address = site_.ResolveSongAddress(playlist_.URL(i));
    if (ticket != starts_) return;
    if (!address) {
        window_.SetStatusPanel1(kNoAddress + playlist_.Title(i));
        return;
    }
    state_.CurrentAddress = *address;
    site_.FetchLyrics(playlist_.URL(i));
    if (ticket != starts_) return;
    player_.SetURL(state_.CurrentAddress);
    if (stepped) player_.stop();

    if (trigger == PlayTrigger::DoubleClick || trigger == PlayTrigger::Pla) {
        window_.SetPauseCaption(kPausePlaying);
        window_.SetStatusPanel1(kNowPlaying + playlist_.Title(i));
    }
    const Text nowPlaying = kNowPlaying + playlist_.Title(i);
    if (trigger == PlayTrigger::EndOfSong) {
        window_.ShowTrayNotice(InfoNotice(nowPlaying, u""));
    } else {
        window_.ShowTrayNotice(InfoNotice(window_.Caption(), nowPlaying));
    }
    state_.NowPlayingTitle = playlist_.Title(i);
    if (!stepped) state_.AutoResume = 1;
    state_.CurrentIndex = i;
}

// A row of the results window becomes a playlist entry like a hit of a search into the playlist.
void PlaybackController::AddToPlaylist(const site::SearchResult& result) {
    playlist_.AddItem(result.name, result.id, result.id, u"");
}

// The entry just appended is the one played, and its title the one shown, even if more entries are
// appended while the site is waited on.
void PlaybackController::PlayResult(const site::SearchResult& result, ResultStart start, TextView caption) {
    const Text tip(caption);
    AddToPlaylist(result);
    const auto index = static_cast<int16_t>(playlist_.ListCount() - 1);
    playlist_.SetPlayIndex(index);
    appearance_.SetItemPlyTextColor(kPlayingColour);
    const uint32_t ticket = ++starts_;
    const auto address = site_.ResolveSongAddress(result.id);
    if (ticket != starts_) return;
    if (!address) {
        window_.SetStatusPanel1(kNoAddress + playlist_.Title(index));
        return;
    }
    const auto announce = [&] {
        const Text title = playlist_.Title(index);
        window_.SetStatusPanel1(kNowPlaying + title);
        window_.ShowTrayNotice(InfoNotice(tip, kNowPlaying + title));
        state_.NowPlayingTitle = title;
    };
    if (start == ResultStart::DoubleClick) {
        player_.SetURL(*address);
        announce();
        window_.SetPauseCaption(kPausePlaying);
        site_.FetchLyrics(result.id);
    } else {
        site_.FetchLyrics(result.id);
        if (ticket != starts_) return;
        player_.SetURL(*address);
        window_.SetPauseCaption(kPausePlaying);
        announce();
    }
}

void PlaybackController::StepNext() {
    state_.CurrentIndex = state_.CurrentIndex >= playlist_.ListCount() - 1
                              ? int16_t{0}
                              : static_cast<int16_t>(state_.CurrentIndex + 1);
    PlayEntry(state_.CurrentIndex, PlayTrigger::Next);
}

void PlaybackController::StepPrevious() {
    state_.CurrentIndex = state_.CurrentIndex > 0 ? static_cast<int16_t>(state_.CurrentIndex - 1)
                                                  : static_cast<int16_t>(playlist_.ListCount() - 1);
    PlayEntry(state_.CurrentIndex, PlayTrigger::Up);
}

double PlaybackController::NextRandom() {
    return static_cast<double>(random_()) / 4294967296.0;
}

void PlaybackController::AdvanceAtEnd() {
    const int32_t count = playlist_.ListCount();
    if (state_.CurrentIndex <= count - 1) {
        switch (state_.Mode) {
            case PlayMode::SingleRepeat:
                break;
            case PlayMode::ListLoop:
                state_.CurrentIndex = state_.CurrentIndex == count - 1
                                          ? int16_t{0}
                                          : static_cast<int16_t>(state_.CurrentIndex + 1);
                break;
            case PlayMode::Random:
                state_.CurrentIndex = static_cast<int16_t>(NextRandom() * count);
                break;
        }
    } else {
        state_.CurrentIndex = 0;
    }
    state_.AutoResume = 1;
    PlayEntry(state_.CurrentIndex, PlayTrigger::EndOfSong);
}

void PlaybackController::PlayStateChange(int32_t NewState) {
    if (NewState == static_cast<int32_t>(player::PlayState::MediaEnded)) AdvanceAtEnd();
}

void PlaybackController::StatusChange() {
    const int32_t playState = player_.playState();
    if (playState == static_cast<int32_t>(player::PlayState::Stopped) && state_.AutoResume == 1) {
        player_.play();
    } else if (playState == static_cast<int32_t>(player::PlayState::Ready)) {
        window_.SetPauseCaption(kPausePlaying);
        player_.play();
    }
}

void PlaybackController::TogglePause() {
    if (window_.PauseCaption() == kPausePlaying) {
        window_.SetPauseCaption(kPausePaused);
        player_.pause();
    } else {
        window_.SetPauseCaption(kPausePlaying);
        player_.play();
    }
}

void PlaybackController::DeleteEntry() {
    playlist_.RemoveItem(state_.MenuIndex);
}

void PlaybackController::ClearList() {
    playlist_.Clear();
}

}  // namespace mulan::app
