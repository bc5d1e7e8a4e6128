#include "library/song_snapshot.h"

#include <algorithm>
#include <cstdint>

#include "library/pinyin_match.h"
#include "library/search_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {

SongSnapshot::SongSnapshot(std::vector<Entry> entries) : songs_(std::move(entries)) {
    std::sort(songs_.begin(), songs_.end(),
              [](const Entry& a, const Entry& b) { return PageOrderLess(*a, *b); });
    starts_.reserve(songs_.size() + 1);
    pinyinStarts_.reserve(songs_.size() + 1);
    letters_.reserve(songs_.size());
    songsWithBmp_.resize(0x10000);
    byId_.reserve(songs_.size());
    std::size_t bytes = 0;
    for (const Entry& song : songs_)
        bytes += song->title.size() + song->singer.size() + song->album.size() + 3;
    texts_.reserve(bytes);  // folding never lengthens a text
    std::vector<std::uint16_t> pairs;
    // The last song each pair was listed for, kept here rather than read from the back of its list:
    // a song yields hundreds of pairs, mostly repeats, and this stays in the cache.
    std::array<std::uint32_t, kPinyinPairs> listedFor;
    listedFor.fill(UINT32_MAX);
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
        const std::size_t pinyinStart = pinyin_.size();
        pinyinStarts_.push_back(pinyinStart);
        AppendSearchPinyin(*songs_[i], pinyin_);
        const auto pinyin = std::span<const ReadingSet>(pinyin_).subspan(pinyinStart);
        letters_.push_back(PinyinLetters(pinyin));
        pairs.clear();
        AppendPinyinPairs(pinyin, pairs);
        for (const std::uint16_t key : pairs) {
            if (listedFor[key] == i) continue;
            listedFor[key] = i;
            songsWithPair_[key].push_back(i);
        }
    }
    starts_.push_back(texts_.size());
    pinyinStarts_.push_back(pinyin_.size());
    pinyin_.shrink_to_fit();
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

std::span<const ReadingSet> SongSnapshot::PinyinOf(std::uint32_t index) const {
    return std::span<const ReadingSet>(pinyin_).subspan(pinyinStarts_[index],
                                                        pinyinStarts_[index + 1] - pinyinStarts_[index]);
}

std::optional<std::vector<const SongSnapshot::SongList*>> SongSnapshot::CandidatesOf(
    std::string_view word) const {
    const SongList* rarest = nullptr;
    bool absent = false;  // a character no song has: no song holds the word as it is
    for (std::size_t at = 0; at < word.size() && !absent;) {
        const SongList* songs = SongsWith(utf8::Next(word, at));
        if (!songs) absent = true;
        if (songs && (!rarest || songs->size() < rarest->size())) rarest = songs;
    }
    std::vector<const SongList*> lists;
    if (rarest && !absent) lists.push_back(rarest);
    if (IsPinyinWord(word)) {
        if (word.size() == 1) return std::nullopt;
        const SongList* fewest = nullptr;
        for (std::size_t i = 0; i + 1 < word.size(); ++i) {
            const SongList& songs = songsWithPair_[PinyinPairKey(word[i], word[i + 1])];
            if (!fewest || songs.size() < fewest->size()) fewest = &songs;
        }
        lists.push_back(fewest);
    }
    return lists;
}

bool SongSnapshot::Matches(std::uint32_t index, const std::vector<std::string>& words) const {
    const std::string_view text = TextOf(index);
    return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
        return WordMatches(text, PinyinOf(index), letters_[index], word);
    });
}

SongSnapshot::SongList SongSnapshot::Matching(const std::vector<std::string>& words) const {
    SongList hits;
    if (words.empty()) return hits;
    // The candidates of the word with the fewest; every other word is checked on those alone.
    std::optional<std::vector<const SongList*>> fewest;
    std::size_t fewestCount = SIZE_MAX;
    for (const std::string& word : words) {
        auto lists = CandidatesOf(word);
        if (!lists) continue;
        std::size_t count = 0;
        for (const SongList* list : *lists) count += list->size();
        if (count < fewestCount) fewest = std::move(lists), fewestCount = count;
    }
    if (!fewest) {  // only one-letter words: every song is a candidate
        for (std::uint32_t i = 0; i < songs_.size(); ++i)
            if (Matches(i, words)) hits.push_back(i);
        return hits;
    }
    SongList candidates;
    for (const SongList* list : *fewest) {
        const std::size_t middle = candidates.size();
        candidates.insert(candidates.end(), list->begin(), list->end());
        std::inplace_merge(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(middle),
                           candidates.end());
    }
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (const std::uint32_t index : candidates)
        if (Matches(index, words)) hits.push_back(index);
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
