#pragma once

#include "base/text.h"
#include "site/search_result.h"

namespace mulan::app {

// How a row of the results window is started: the double click starts the player before the
// lyrics are fetched, the menu's "播放" after.
enum class ResultStart { DoubleClick, Menu };

// What the results window's commands ask of the owner of the playlist and the player.
class ResultsHost {
  public:
    virtual ~ResultsHost() = default;
    // Appends an entry with Title = name, Author = URL = id.
    virtual void AddToPlaylist(const site::SearchResult& result) = 0;
    // Appends the result and plays the new entry. caption is the results window's caption at the
    // time, the tray notice's tip.
    virtual void PlayResult(const site::SearchResult& result, ResultStart start, TextView caption) = 0;
};

}  // namespace mulan::app
