#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/chinese_text.h"
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
    using SongList = std::vector<std::uint32_t>;  // indexes into songs_, ascending

    // Indexes into songs_ of the songs that every word matches, in page order.
    SongList Matching(const std::vector<std::string>& words) const;
    // The lists among which a word's matches must be: none for a word every song may match (one
    // letter), an empty vector for a word no song can match.
    std::optional<std::vector<const SongList*>> CandidatesOf(std::string_view word) const;
    bool Matches(std::uint32_t index, const std::vector<std::string>& words) const;
    std::string_view TextOf(std::uint32_t index) const;
    std::span<const ReadingSet> PinyinOf(std::uint32_t index) const;
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
    std::vector<SongList> songsWithBmp_;
    std::unordered_map<char32_t, SongList> songsWithOther_;
    // Each song's reading sets one after another (pinyinStarts_ like starts_), the letters of its
    // syllables (PinyinLetters), and for each pair of neighbouring letters a pinyin match could hold,
    // the songs that have it: a word of Latin letters is looked for in its rarest pair's songs as well
    // as in its rarest character's.
    std::vector<ReadingSet> pinyin_;
    std::vector<std::size_t> pinyinStarts_;
    std::vector<std::uint32_t> letters_;
    std::array<SongList, 26 * 26> songsWithPair_;
};

}  // namespace mulan::library
