#include "library/song_snapshot.h"

#include <gtest/gtest.h>

#include "library/search_text.h"

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
