#pragma once

#include <cstdint>
#include <optional>
#include <random>

#include "app/main_window_state.h"
#include "app/player_texts.h"
#include "app/results_host.h"
#include "player/media_player.h"
#include "app/tray_record.h"
#include "base/text.h"
#include "controls/playlist/playlist_model.h"
#include "controls/playlist/playlist_properties.h"

namespace mulan::app {

// The site requests a start makes. Both wait for the site while the user interface keeps running.
class SongSite {
  public:
    virtual ~SongSite() = default;
    // The audio address of a song id, or nothing when the site could not give one.
    virtual std::optional<Text> ResolveSongAddress(TextView songId) = 0;
    // Fills the lyric line list and the lyrics label; false when the lyrics could not be fetched.
    virtual bool FetchLyrics(TextView songId) = 0;
};

// The main window's controls that playback writes.
class PlaybackWindow {
  public:
    virtual ~PlaybackWindow() = default;
    virtual Text PauseCaption() const = 0;
    virtual void SetPauseCaption(TextView caption) = 0;
    virtual void SetStatusPanel1(TextView text) = 0;
    virtual Text Caption() const = 0;
    virtual void ShowTrayNotice(const TrayNotice& notice) = 0;
};

// What starts a song; each start runs the common steps in its own order.
enum class PlayTrigger { DoubleClick, Pla, Next, Up, EndOfSong };

// Starts playlist entries, steps through the list, decides what follows a song by the play mode,
// and restarts the player as its status changes. The results window's commands play and add their
// rows through it, so that every start of a song works on the same playlist, player and displays.
class PlaybackController final : public ResultsHost {
  public:
    PlaybackController(MainWindowState& state, playlist::PlaylistModel& playlist,
                       playlist::PlaylistProperties& appearance, player::MediaPlayer& player, SongSite& site,
                       PlaybackWindow& window);

    void PlayEntry(int16_t i, PlayTrigger trigger);
    void StepNext();
    void StepPrevious();
    // The player's PlayStateChange: only the end of the media (8) moves on.
    void PlayStateChange(int32_t NewState);
    // The player's StatusChange.
    void StatusChange();
    void TogglePause();
    void DeleteEntry();
    void ClearList();

    // ResultsHost
    void AddToPlaylist(const site::SearchResult& result) override;
    void PlayResult(const site::SearchResult& result, ResultStart start, TextView caption) override;

  private:
    void AdvanceAtEnd();
    double NextRandom();

    MainWindowState& state_;
    playlist::PlaylistModel& playlist_;
    playlist::PlaylistProperties& appearance_;
    player::MediaPlayer& player_;
    SongSite& site_;
    PlaybackWindow& window_;
    // Never seeded: every run of the program draws the same sequence.
    std::mt19937 random_;
    // Counts the starts of songs. Waiting for the site lets every event run, a newer start among
    // them: an older start that finds it has been overtaken stops where it is, so the song, its
    // address and its lyrics are always the newest start's.
    uint32_t starts_ = 0;
};

}  // namespace mulan::app
