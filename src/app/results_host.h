#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "base/tray_notice.h"

namespace mulan::app {

// What the results window's commands use of the rest of the program: the playlist, the site, the
// player and the main window's displays. The main window's side implements it.
class ResultsHost {
public:
    virtual ~ResultsHost() = default;
    // Appends an entry with Title = name, Author = URL = id; returns the new count.
    virtual int32_t AddToPlaylist(TextView name, TextView id) = 0;
    virtual int32_t PlaylistCount() const = 0;
    virtual Text PlaylistTitle(int16_t index) const = 0;
    virtual void SetPlaylistPlayIndex(int16_t index) = 0;
    virtual void SetPlaylistPlayingColour(uint32_t colour) = 0;
    // The audio address, or nothing when the site could not give one.
    virtual std::optional<Text> ResolveSongAddress(TextView id) = 0;
    virtual bool FetchLyrics(TextView id) = 0;
    virtual void SetPlayerURL(TextView address) = 0;
    virtual void SetStatusPanel1(TextView text) = 0;
    virtual void ShowTrayNotice(const TrayNotice& notice) = 0;
    virtual void SetNowPlayingTitle(TextView title) = 0;
    virtual void SetPauseCaption(TextView caption) = 0;
};

}  // namespace mulan::app
