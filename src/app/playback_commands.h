#pragma once

#include <cstdint>

#include "app/command.h"
#include "base/text.h"

namespace mulan::app {

// Where the main window hands over to playback and the site: the play commands of its menus, the
// start-up search, the player's events and the display ticks. The main window works without one
// (the commands then do nothing); the playback controller installs itself here.
class PlaybackCommands {
  public:
    virtual ~PlaybackCommands() = default;
    // A menu command the window does not run itself (playing, downloading, the song's address,
    // removing, emptying the list, pause, previous, next), on the entry MenuIndex where it needs one.
    virtual void Run(Command command) = 0;
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
