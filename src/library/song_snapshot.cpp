#include "library/song_snapshot.h"

#include <algorithm>

#include "library/search_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {

SongSnapshot::SongSnapshot(std::vector<Entry> entries) : songs_(std::move(entries)) {
    std::sort(songs_.begin(), songs_.end(),
              [](const Entry& a, const Entry& b) { return PageOrderLess(*a, *b); });
    starts_.reserve(songs_.size() + 1);
    songsWithBmp_.resize(0x10000);
    byId_.reserve(songs_.size());
    for (std::uint32_t i = 0; i < songs_.size(); ++i) {
        starts_.push_back(texts_.size());
        const std::string text = SearchTextOf(*songs_[i]);
        texts_ += text;
        texts_ += '\n';
        byId_.emplace(songs_[i]->id, i);
        for (std::size_t at = 0; at < text.size();) {
            auto& songs = ListOf(utf8::Next(text, at));
            if (songs.empty() || songs.back() != i) songs.push_back(i);
        }
    }
    starts_.push_back(texts_.size());
}

std::vector<Song> SongSnapshot::First(std::size_t limit) const {
    std::vector<Song> songs;
    for (std::size_t i = 0; i < songs_.size() && i < limit; ++i) songs.push_back(*songs_[i]);
    return songs;
}

const Song* SongSnapshot::ById(SongId id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : songs_[found->second].get();
}

std::string_view SongSnapshot::TextOf(std::uint32_t index) const {
    return std::string_view(texts_).substr(starts_[index], starts_[index + 1] - starts_[index]);
}

const std::vector<std::uint32_t>* SongSnapshot::SongsWith(char32_t code) const {
    if (code < songsWithBmp_.size()) return songsWithBmp_[code].empty() ? nullptr : &songsWithBmp_[code];
    const auto found = songsWithOther_.find(code);
    return found == songsWithOther_.end() ? nullptr : &found->second;
}

std::vector<std::uint32_t>& SongSnapshot::ListOf(char32_t code) {
    return code < songsWithBmp_.size() ? songsWithBmp_[code] : songsWithOther_[code];
}

std::vector<std::uint32_t> SongSnapshot::Matching(const std::vector<std::string>& words) const {
    std::vector<std::uint32_t> hits;
    const std::vector<std::uint32_t>* rarest = nullptr;
    for (const std::string& word : words) {
        for (std::size_t at = 0; at < word.size();) {
            const std::vector<std::uint32_t>* songs = SongsWith(utf8::Next(word, at));
            if (!songs) return hits;  // a character no song has
            if (!rarest || songs->size() < rarest->size()) rarest = songs;
        }
    }
    if (!rarest) return hits;
    for (const std::uint32_t index : *rarest) {
        const std::string_view text = TextOf(index);
        if (std::all_of(words.begin(), words.end(),
                        [&](const std::string& word) { return text.find(word) != std::string_view::npos; }))
            hits.push_back(index);
    }
    return hits;
}

SearchPage SongSnapshot::Search(std::string_view key, std::size_t page) const {
    const std::vector<std::uint32_t> hits = Matching(SearchWords(key));
    SearchPage result;
    result.total = hits.size();
    const std::size_t begin = (std::max<std::size_t>(page, 1) - 1) * kPageSize;
    for (std::size_t i = begin; i < hits.size() && i < begin + kPageSize; ++i)
        result.songs.push_back(*songs_[hits[i]]);
    return result;
}

}  // namespace mulan::library
