#pragma once

#include <cstdint>
#include <optional>

#include "player/media_player.h"
#include "app/tray_record.h"
#include "base/text.h"

namespace mulan::app {

enum class PlayMode { SingleRepeat, ListLoop, Random };

// Search target of the start-up search: 1 the playlist, 3 the results window.
inline constexpr int16_t kSearchTargetPlaylist = 1;

// The state the main window keeps for playback; it lives as long as the process.
struct MainWindowState {
    int16_t CurrentIndex = 0;
    int16_t MenuIndex = 0;
    int16_t AutoResume = 0;
    Text CurrentAddress;
    Text NowPlayingTitle;
    int16_t TrayNoticeState = 1;
    PlayMode Mode = PlayMode::ListLoop;
};

inline constexpr char16_t kCaption[] = u"沐岚音乐播放器";

// The notice that puts the icon up at start-up: the caption as tip, no balloon.
TrayNotice StartupNotice(TextView caption);

// The notice of a close request. Once a song has been announced only the tip changes (and the
// state remembers that); before that a balloon says the program keeps running.
TrayNotice CloseRequestNotice(MainWindowState& state, TextView caption);

// Exit: stops and mutes the player, with AutoResume off so that no restart answers the stop.
void StopPlayerForExit(MainWindowState& state, player::MediaPlayer& player);

// A failure of the start-up steps after the tray icon is up.
struct StartupFailure {
    int32_t number = 0;
    Text description;
};

// The message box text for a start-up failure, or nothing: no failure, or one of the skin library,
// which is an optional part of the program.
std::optional<Text> StartupErrorMessage(const std::optional<StartupFailure>& failure);

}  // namespace mulan::app
