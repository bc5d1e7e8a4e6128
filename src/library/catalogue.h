#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/song.h"
#include "library/song_source.h"
#include "site/codec.h"

namespace mulan::library {

// The catalogue folder or its catalogue.json is unusable; the message says why.
class CatalogueError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr char kCatalogueFile[] = "catalogue.json";
// A listing larger than this is refused rather than read.
inline constexpr std::size_t kMaxListingBytes = 16 * 1024 * 1024;

// Songs listed in a folder's catalogue.json, as the demo has them:
//
//   {"songs": [{"id": "1001", "title": "...", "singer": "...",
//               "file": "audio/1001.mp3", "lrc": "audio/1001.lrc"}, ...]}
//
// Ids are decimal (text or number) without leading zeros, at most kMaxSongId. Paths are relative to the
// folder, '/'-separated, and must lead to files inside it. "lrc" may be null (no lyrics); without it, the
// .lrc beside the audio file is taken when there is one. Other fields are ignored. The listing's order is
// the page order: of the home page and of every search.
class Catalogue final : public SongSource {
  public:
    // codec reads .lrc files that are not UTF-8 and must outlive the catalogue. Throws CatalogueError.
    static std::unique_ptr<Catalogue> Load(const std::filesystem::path& folder, const site::Codec& codec);
    // Whether folder holds a catalogue.json (a folder without one is a music library).
    static bool HasListing(const std::filesystem::path& folder);

    std::size_t Count() const override;
    std::vector<Song> First(std::size_t limit) const override;
    SearchPage Search(std::string_view key, std::size_t page) const override;
    std::optional<Song> ById(SongId id) const override;
    std::optional<std::vector<std::string>> Lyrics(const Song& song) const override;
    std::optional<std::filesystem::path> AudioFile(const Song& song) const override;

    struct Entry {
        Song song;
        std::string searchText;                    // SearchTextOf(song)
        std::optional<std::filesystem::path> lrc;  // the lyrics file, when the song has one
    };

  private:
    Catalogue(std::filesystem::path root, std::vector<Entry> entries, const site::Codec& codec);

    const Entry* Find(SongId id) const;

    std::filesystem::path root_;  // absolute, free of links
    std::vector<Entry> entries_;
    std::unordered_map<SongId, std::size_t> byId_;
    const site::Codec& codec_;
};

}  // namespace mulan::library
