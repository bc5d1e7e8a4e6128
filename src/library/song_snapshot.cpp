#include "library/song_snapshot.h"

#include <algorithm>

#include "library/search_text.h"

namespace mulan::library {

SongSnapshot::SongSnapshot(std::vector<Entry> entries) : songs_(std::move(entries)) {
    std::sort(songs_.begin(), songs_.end(),
              [](const Entry& a, const Entry& b) { return PageOrderLess(*a, *b); });
    starts_.reserve(songs_.size() + 1);
    byId_.reserve(songs_.size());
    for (std::uint32_t i = 0; i < songs_.size(); ++i) {
        starts_.push_back(texts_.size());
        texts_ += SearchTextOf(*songs_[i]);
        texts_ += '\n';
        byId_.emplace(songs_[i]->id, i);
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

std::vector<std::uint32_t> SongSnapshot::Matching(const std::vector<std::string>& words) const {
    std::vector<std::uint32_t> hits;
    if (words.empty()) return hits;
    // The longest word is the rarest as a rule: it picks the candidates in one pass over all texts.
    const auto first =
        std::max_element(words.begin(), words.end(),
                         [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    const std::string_view all(texts_);
    for (std::size_t at = all.find(*first); at != std::string_view::npos;) {
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), at);
        const auto index = static_cast<std::uint32_t>(next - starts_.begin() - 1);
        hits.push_back(index);
        at = all.find(*first, *next);
    }
    for (auto word = words.begin(); word != words.end(); ++word) {
        if (word == first) continue;
        std::erase_if(
            hits, [&](std::uint32_t index) { return TextOf(index).find(*word) == std::string_view::npos; });
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
