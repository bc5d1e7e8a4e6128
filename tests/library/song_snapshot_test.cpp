#include "library/song_snapshot.h"

#include <gtest/gtest.h>

#include <random>

#include "library/pinyin_match.h"
#include "library/search_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {
namespace {

SongSnapshot Snapshot(const std::vector<Song>& songs) {
    std::vector<SongSnapshot::Entry> entries;
    for (const Song& song : songs) entries.push_back(std::make_shared<const Song>(song));
    return SongSnapshot(std::move(entries));
}

std::vector<std::string> Titles(const SearchPage& page) {
    std::vector<std::string> titles;
    for (const Song& song : page.songs) titles.push_back(song.title);
    return titles;
}

TEST(SongSnapshot, EveryWordMustMatchTitleSingerOrAlbumWithoutRegardToCase) {
    const auto snapshot = Snapshot({{7, "p/7", "后来的我们", "柳如云", "初雪", 0},
                                    {3, "p/3", "海风Blues", "何夏", "", 0},
                                    {5, "p/5", "雨夜", "何夏", "", 0},
                                    {2, "p/2", "蓝色Blue", "陈默", "", 0},
                                    {9, "p/9", "夜空中的星", "Star Band", "Night", 0},
                                    {4, "p/4", "ÉTÉ Ωmega Ночь ＡＢ", "b", "", 0},
                                    {8, "p/8", "a", "B", "", 0}});
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"的我", {"后来的我们"}},        // two characters
        {"夜", {"夜空中的星", "雨夜"}},  // one character, singer order (何夏 after Star Band)
        {"何夏", {"海风Blues", "雨夜"}},
        {"BLUE", {"海风Blues", "蓝色Blue"}},
        {"何夏 blues", {"海风Blues"}},
        {"star night", {"夜空中的星"}},  // singer and album words
        {"été ωMEGA НОЧЬ ａｂ", {"ÉTÉ Ωmega Ночь ＡＢ"}},
        {"何夏 陈默", {}},
        {"  \t　", {}},     // no words, no hits
        {"blue\nday", {}},  // a word never spans two fields
        {"初雪\n", {"后来的我们"}},
    };
    for (const auto& [key, titles] : cases) EXPECT_EQ(Titles(snapshot.Search(key, 1)), titles) << key;
    // Singers compare with ASCII letters alike regardless of case, then titles, then ids.
    std::vector<std::string> order;
    for (const Song& song : snapshot.First(100)) order.push_back(song.title);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "ÉTÉ Ωmega Ночь ＡＢ", "夜空中的星", "海风Blues", "雨夜",
                                               "后来的我们", "蓝色Blue"}));
    EXPECT_EQ(snapshot.ById(9)->title, "夜空中的星");
    EXPECT_EQ(snapshot.ById(1), nullptr);
}

TEST(SongSnapshot, ChineseSongsAreFoundByPinyinAndAcrossSimplifiedAndTraditional) {
    const auto snapshot = Snapshot({{1, "p/1", "青花瓷", "周杰伦", "我很忙", 0},
                                    {2, "p/2", "後來", "劉若英", "我等你", 0},
                                    {3, "p/3", "K歌之王", "陳奕迅", "", 0},
                                    {4, "p/4", "Blue Night", "Band", "", 0}});
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"qhc", {"青花瓷"}},
        {"zjl qinghu", {"青花瓷"}},
        {"刘若英", {"後來"}},    // simplified key, traditional tags
        {"後来 lry", {"後來"}},  // mixed forms, and initials of the singer
        {"kgzw", {"K歌之王"}},
        {"陈奕迅", {"K歌之王"}},
        {"wo", {"後來", "青花瓷"}},  // 我 in both albums; page order: singer 劉 before 周
        {"bn", {}},                  // a run never crosses a space
        {"qhuc", {}},
        {"u", {"Blue Night", "後來", "青花瓷", "K歌之王"}},  // blue, hou, zhou, xun: every song
    };
    for (const auto& [key, titles] : cases) EXPECT_EQ(Titles(snapshot.Search(key, 1)), titles) << key;
}

// The candidate lists may only narrow the search: what they find is what checking every song finds.
TEST(SongSnapshot, CandidateListsFindWhatCheckingEverySongFinds) {
    const std::u32string characters = U"青花瓷周杰伦後来劉刘若英重庆森林音乐女人绿略海风雨夜KaBlue ";
    const auto random = [&](std::mt19937& rng, std::size_t most) {
        std::u32string text(rng() % most + 1, U' ');
        for (char32_t& c : text) c = characters[rng() % characters.size()];
        std::string utf8;
        for (const char32_t c : text) utf8::Append(utf8, c);
        return utf8;
    };
    std::mt19937 rng(22);
    std::vector<Song> songs;
    for (int n = 1; n <= 400; ++n)
        songs.push_back({n, "p", random(rng, 8), random(rng, 4), random(rng, 3), 0});
    const auto snapshot = Snapshot(songs);
    const std::vector<std::string> keys{"qhc",  "zjl", "lv",    "lu",  "nvr", "cq", "zq", "yinyue",
                                        "yl",   "hf",  "h",     "u",   "k",   "kq", "bl", "ue",
                                        "青花", "刘",  "劉 hf", "q h", "ab",  "x"};
    for (const std::string& key : keys) {
        std::size_t expected = 0;
        for (const Song& song : songs) {
            const std::string text = SearchTextOf(song);
            const std::vector<ReadingSet> pinyin = SearchPinyinOf(song);
            const std::vector<std::string> words = SearchWords(key);
            if (std::all_of(words.begin(), words.end(), [&](const std::string& word) {
                    return WordMatches(text, pinyin, PinyinLetters(pinyin), word);
                }))
                ++expected;
        }
        EXPECT_EQ(snapshot.Search(key, 1).total, expected) << key;
    }
}

TEST(SongSnapshot, PagesOfTwentyWithTheRealCount) {
    std::vector<Song> songs;
    for (int n = 0; n < 45; ++n) songs.push_back({n + 1, "p", "Track" + std::to_string(100 + n), "S", "", 0});
    const auto snapshot = Snapshot(songs);
    EXPECT_EQ(snapshot.Search("track", 1).songs.size(), 20u);
    EXPECT_EQ(Titles(snapshot.Search("track", 3)),
              (std::vector<std::string>{"Track140", "Track141", "Track142", "Track143", "Track144"}));
    for (std::size_t page : {4u, 1000000000u}) {
        const SearchPage beyond = snapshot.Search("track", page);
        EXPECT_EQ(beyond.total, 45u);
        EXPECT_TRUE(beyond.songs.empty());
    }
    EXPECT_EQ(snapshot.Search("track", 0).songs.front().title, "Track100");
    EXPECT_EQ(snapshot.Search("k1", 1).total, 45u);
    EXPECT_EQ(snapshot.Search("k14", 1).total, 5u);
}

}  // namespace
}  // namespace mulan::library
