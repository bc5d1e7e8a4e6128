#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/song.h"
#include "library/song_source.h"

namespace mulan::library {

// The songs of a library at one moment, in page order, with what they are searched by. Never changes
// once made, so any number of threads read it while the scan makes the next one.
class SongSnapshot {
  public:
    using Entry = std::shared_ptr<const Song>;

    // entries in any order; each song's search text is made here.
    explicit SongSnapshot(std::vector<Entry> entries);

    std::size_t Count() const { return songs_.size(); }
    std::vector<Song> First(std::size_t limit) const;
    SearchPage Search(std::string_view key, std::size_t page) const;
    const Song* ById(SongId id) const;
    // Every song, in page order (sharing the songs with this snapshot).
    const std::vector<Entry>& Entries() const { return songs_; }

  private:
    // Indexes into songs_ of the songs whose text holds every word, in page order.
    std::vector<std::uint32_t> Matching(const std::vector<std::string>& words) const;
    std::string_view TextOf(std::uint32_t index) const;
    // The songs (indexes into songs_, ascending) whose text holds code; nullptr when none does.
    const std::vector<std::uint32_t>* SongsWith(char32_t code) const;
    std::vector<std::uint32_t>& ListOf(char32_t code);

    std::vector<Entry> songs_;
    // All search texts one after another, each ended by '\n' (which no word holds), so that a word is
    // looked for in one pass over one buffer instead of once per song.
    std::string texts_;
    std::vector<std::size_t> starts_;  // where each song's text begins in texts_; one more at the end
    std::unordered_map<SongId, std::uint32_t> byId_;
    // For each character, the songs whose text holds it: a word's candidates are the songs of its rarest
    // character, so a search costs what its hits cost, not a pass over every song.
    // Characters of the Basic Multilingual Plane (nearly all) by their code, without hashing; the rest in
    // a map.
    std::vector<std::vector<std::uint32_t>> songsWithBmp_;
    std::unordered_map<char32_t, std::vector<std::uint32_t>> songsWithOther_;
};

}  // namespace mulan::library
