#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/song.h"

namespace mulan::library {

// One page of a search: the real number of hits and the songs of the page asked for.
struct SearchPage {
    std::size_t total = 0;
    std::vector<Song> songs;
};

// Where the site's pages get their songs: a music library (tags and index) or a catalogue (a listing
// of songs, as the demo has). Every member may be called from many threads at once.
class SongSource {
  public:
    virtual ~SongSource() = default;

    // Songs that can be played.
    virtual std::size_t Count() const = 0;
    // The first songs in page order (singer, title, id), for the home page.
    virtual std::vector<Song> First(std::size_t limit) const = 0;
    // Page page (from 1) of the songs that hold every word of key (words split at white space,
    // compared without regard to case), in page order. No words, no hits.
    virtual SearchPage Search(std::string_view key, std::size_t page) const = 0;
    virtual std::optional<Song> ById(SongId id) const = 0;
    // Lines of the song's lyrics with [mm:ss.xx] times; nullopt when it has none.
    virtual std::optional<std::vector<std::string>> Lyrics(const Song& song) const = 0;
    // The song's file, checked to lie inside the folder now; nullopt when it does not.
    virtual std::optional<std::filesystem::path> AudioFile(const Song& song) const = 0;
};

}  // namespace mulan::library
