#pragma once

#include "app/display_view.h"
#include "app/playback_controller.h"
#include "base/text.h"
#include "site/lyrics.h"
#include "site/search.h"

namespace mulan::app {

// The main window as the owner of the playback and the site sees it: what it shows (hits, search
// notices, the display, the lyrics, the tray notices) and the little it reads back (the search box,
// the volume, the displays of the song that plays). The window implements it; the owner never reaches a
// control.
class MainView : public DisplayView,
                 public PlaybackWindow,
                 public site::HitSink,
                 public site::SearchStatusSink,
                 public site::SearchBox,
                 public site::LyricLabel {
  public:
    // The hidden lyric line list, List1.
    virtual void ClearLyricList() = 0;
    virtual void AddLyricLine(TextView line) = 0;
    // The results window's list, emptied when a search starts.
    virtual void ClearResults() = 0;
    // The playlist's tip for the entry under the pointer.
    virtual void ShowPlaylistTip(TextView text) = 0;
    // The library's own work, in a status panel of its own after the two; empty takes it away.
    virtual void ShowLibraryProgress(TextView text) = 0;
    // A balloon from the tray icon that leaves the icon's tip as it is.
    virtual void AnnounceInTray(TextView balloon) = 0;
};

}  // namespace mulan::app
