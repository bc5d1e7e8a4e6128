#pragma once

#include <cstdint>

#include "base/text.h"

namespace mulan::app {

// Where the main window hands over to playback and the site: the play commands of its menus, the
// start-up search, the player's events and the display ticks. The main window works without one
// (the commands then do nothing); the playback controller installs itself here.
class PlaybackCommands {
  public:
    virtual ~PlaybackCommands() = default;
    virtual void Pla() = 0;                          // play the entry MenuIndex
    virtual void Dolown() = 0;                       // download the entry MenuIndex
    virtual void se360() = 0;                        // show the entry's audio address
    virtual void DEL() = 0;                          // remove the entry MenuIndex
    virtual void Cles() = 0;                         // empty the playlist
    virtual void zant() = 0;                         // pause or resume
    virtual void UP() = 0;                           // previous entry
    virtual void Next() = 0;                         // next entry
    virtual void PlayEntryAt(int16_t index) = 0;     // double click on a playlist entry
    virtual void StartupSearch() = 0;                // Timer2's second tick
    virtual void SearchFromBox(TextView words) = 0;  // Enter in the search box
    virtual void PlaylistHover(int16_t index) = 0;   // pointer over a playlist entry (-1: none)
    virtual void PlayStateChange(int32_t NewState) = 0;
    virtual void StatusChange() = 0;
    // Timer3 (full) and Timer4 (reduced) display ticks.
    virtual void TickDisplay(bool full) = 0;
    // The exit command ends the process next: what would outlive it (a download's temporary file)
    // goes now.
    virtual void BeforeExit() = 0;
};

}  // namespace mulan::app
