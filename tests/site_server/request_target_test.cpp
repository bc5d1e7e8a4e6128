#include "site_server/request_target.h"

#include <gtest/gtest.h>

#include <string>

#include "site/encode_query.h"
#include "site_server/server_codec.h"

namespace mulan::site_server {
namespace {

TEST(RequestTarget, SplitsPathAndQueryAndDropsSchemeAndHost) {
    struct Case {
        std::string_view target, path, query;
    };
    const Case cases[] = {
        {"/so.asp?key=u&page=2", "/so.asp", "key=u&page=2"},
        {"/play/1.htm", "/play/1.htm", ""},
        {"/a?b?c", "/a", "b?c"},
        {"/?", "/", ""},
        {"http://127.0.0.1:18081/so.asp?key=u", "/so.asp", "key=u"},
        {"HTTPS://Host/x", "/x", ""},
        {"http://host", "/", ""},
        {"http://host?key=u", "/", ""},
        {"http:/x", "http:/x", ""},
        {"ftp://host/x", "ftp://host/x", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const TargetParts parts = SplitTarget(c.target);
        EXPECT_EQ(parts.path, c.path) << c.target;
        EXPECT_EQ(parts.query, c.query) << c.target;
    }
}

TEST(RequestTarget, QueryFieldsKeepTheirFirstRawValue) {
    EXPECT_EQ(ParseQuery("page=2&key=%B8%E8"), (QueryFields{{"page", "2"}, {"key", "%B8%E8"}}));
    EXPECT_EQ(ParseQuery(""), QueryFields{});
    EXPECT_EQ(ParseQuery("key"), (QueryFields{{"key", ""}}));
    EXPECT_EQ(ParseQuery("key=a=b&&x="), (QueryFields{{"key", "a=b"}, {"", ""}, {"x", ""}}));
    EXPECT_EQ(ParseQuery("key=u&key=v&page=1&page=").at("key"), "u");
    EXPECT_EQ(ParseQuery("key=u&key=v&page=1&page=").at("page"), "1");
    EXPECT_EQ(ParseQuery("a+b=c+d").at("a+b"), "c+d");
}

TEST(RequestTarget, PercentDecodingTakesOneAndTwoDigitEscapes) {
    struct Case {
        std::string_view raw;
        std::string bytes;
    };
    const Case cases[] = {
        {"Hi%20%B8%E8%209", "Hi \xB8\xE8 9"},
        {"a%9", "a\t"},
        {"%9x%A", "\tx\n"},
        {"%0", std::string(1, '\0')},
        {"%ff%Fe", "\xFF\xFE"},
        {"%2B+", "++"},
        {"%41%4", "A\x04"},
        {"%123",
         "\x12"
         "3"},
        {"", ""},
        {"\x01\xFF", "\x01\xFF"},
    };
    for (const Case& c : cases) EXPECT_EQ(PercentDecode(c.raw), c.bytes) << c.raw;
    for (const std::string_view raw : {"%", "abc%", "%G1", "%%", "%-1", "%%41", "a%\xB8"})
        EXPECT_EQ(PercentDecode(raw), std::nullopt) << raw;
}

TEST(RequestTarget, SearchWordsAreReadAsGbkStrictly) {
    const testing::ServerCodec codec;
    EXPECT_EQ(DecodeGbkValue(codec, "Hi%20%B8%E8%209"), "Hi 歌 9");
    EXPECT_EQ(DecodeGbkValue(codec, "%c1%f8%C8%E7%d4%c6"), "柳如云");
    EXPECT_EQ(DecodeGbkValue(codec, "a+b"), "a+b");
    EXPECT_EQ(DecodeGbkValue(codec, ""), "");
    for (const std::string_view raw : {"%FF%FF", "%B8", "%81%20", "%ZZ", "%", "\xB8"})
        EXPECT_EQ(DecodeGbkValue(codec, raw), std::nullopt) << raw;
    // The player's own encoding of the words comes back as the words.
    for (const TextView words : {u"刘若英 Liu", u"a_b~c&d=e", u"月亮代表我的心", u"x%y\t", u"-,./"}) {
        const std::string key = TextToUtf8(site::EncodeQuery(words, codec));
        EXPECT_EQ(DecodeGbkValue(codec, key), TextToUtf8(words)) << key;
    }
}

TEST(RequestTarget, PageNumbers) {
    const std::pair<std::string_view, std::size_t> pages[] = {
        {"", 1},
        {"0", 1},
        {"000", 1},
        {"2", 2},
        {"007", 7},
        {"999999999", 999999999},
        {"1000000000", kMaxPageNumber},
        {"0000000000999999999", 999999999},
        {"99999999999999999999999999999999", kMaxPageNumber},
    };
    for (const auto& [raw, page] : pages) EXPECT_EQ(PageNumber(raw), page) << raw;
    EXPECT_EQ(PageNumber(std::string(100000, '9')), kMaxPageNumber);
    for (const std::string_view raw : {"-1", "+1", "1a", " 1", "%31", "1.0"})
        EXPECT_EQ(PageNumber(raw), std::nullopt) << raw;
}

TEST(RequestTarget, PlayPagesAreNamedByTheSitesOwnIdsOnly) {
    EXPECT_EQ(PlayPageId("/play/1001.htm"), 1001);
    EXPECT_EQ(PlayPageId("/play/0.htm"), 0);
    EXPECT_EQ(PlayPageId("/play/2147483647.htm"), 2147483647);
    for (const std::string_view path :
         {"/play/01001.htm", "/play/00.htm", "/play/2147483648.htm", "/play/99999999999.htm", "/play/.htm",
          "/play/-1.htm", "/play/+1.htm", "/play/1001.html", "/play/1001.htm/", "/play/1001", "/play//1.htm",
          "/play/%31.htm", "/Play/1.htm", "play/1.htm", "/play/1 .htm", "/play/abc.htm"})
        EXPECT_EQ(PlayPageId(path), std::nullopt) << path;
}

TEST(RequestTarget, LyricsPagesAreNamedByTheIdsValue) {
    EXPECT_EQ(LyricsPageNumber("/geci/1001.htm"), 1001);
    EXPECT_EQ(LyricsPageNumber("/geci/01001.htm"), 1001);
    EXPECT_EQ(LyricsPageNumber("/geci/0.htm"), 0);
    EXPECT_EQ(LyricsPageNumber("/geci/999999999999.htm"), 999999999999);
    for (const std::string_view path : {"/geci/9999999999999.htm", "/geci/.htm", "/geci/-5.htm",
                                        "/geci/x.htm", "/geci/1.html", "/geci/1.htm?", "/play/1.htm"})
        EXPECT_EQ(LyricsPageNumber(path), std::nullopt) << path;
}

TEST(RequestTarget, AudioPathsGiveAnIdAndNeverAFile) {
    EXPECT_EQ(MediaSongId("/music/1001/1001.mp3"), 1001);
    EXPECT_EQ(MediaSongId("/music/2147483647/a"), 2147483647);
    // The name is one segment of anything; it is not looked at here.
    for (const std::string_view path :
         {"/music/7/%E6%9F%B3%20b.wav", "/music/7/..", "/music/7/..%5C..%5Cwin.ini",
          "/music/7/%2e%2e%2f%2e%2e%2fetc%2fpasswd", "/music/7/C:%5Cboot.ini", "/music/7/song.mp3:stream",
          "/music/7/CON", "/music/7/a%00.lrc"})
        EXPECT_EQ(MediaSongId(path), 7) << path;
    for (const std::string_view path : {"/music/../catalogue.json",
                                        "/music/%2e%2e/x",
                                        "/music/..%2Fx",
                                        "/music/7/../../etc/passwd",
                                        "/music/7/a/b.mp3",
                                        "/music//etc/passwd",
                                        "/music/7/",
                                        "/music/7",
                                        "/music/",
                                        "/music/07/a.mp3",
                                        "/music/%37/a.mp3",
                                        "/music/C:/a.mp3",
                                        "/music/CON/a.mp3",
                                        "/music/NUL",
                                        "/music/COM1/x",
                                        "/music/2147483648/a.mp3",
                                        "/music/-1/a.mp3",
                                        "/music/audio/1001.mp3",
                                        "/Music/7/a.mp3",
                                        "/../music/7/a.mp3",
                                        "music/7/a.mp3"})
        EXPECT_EQ(MediaSongId(path), std::nullopt) << path;
}

}  // namespace
}  // namespace mulan::site_server
