#include "library/library_fixtures.h"
#include "library/site_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "library/audio_files.h"
#include "library/catalogue.h"
#include "library/gbk_text.h"
#include "library/search_text.h"
#include "site/encode_query.h"
#include "site/fetch_page.h"
#include "site/lyrics.h"
#include "site/search.h"
#include "site/site_fakes.h"
#include "site/song_address.h"
#include "site/text_cut.h"
#include "site_server/server_codec.h"

#include <nlohmann/json.hpp>

namespace mulan::library {
namespace {

namespace fs = std::filesystem;

const PageHosts kHosts{"s.test:1", "q.test:2", "m.test:3"};

Song MakeSong(SongId id, std::string title, std::string singer, std::string path = "audio/song.mp3") {
    Song song;
    song.id = id;
    song.title = std::move(title);
    song.singer = std::move(singer);
    song.path = std::move(path);
    return song;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

// What the player's charset sniff looks at.
std::string Head(const Page& page) {
    return Lower(page.body.substr(0, 1000));
}

// The player's search window and playlist: the hits it takes, in order, as "id|name".
class PlayerWindows final : public site::HitSink, public site::SearchStatusSink, public site::SearchBox {
  public:
    void AddToPlaylist(const site::SearchResult& hit) override {
        const TextView name = hit.name, id = hit.id;
        hits.push_back(TextToUtf8(id) + "|" + TextToUtf8(name));
    }
    int32_t PlaylistCount() override { return static_cast<int32_t>(hits.size()); }
    void AddResultRow(const site::SearchResult&) override { ADD_FAILURE() << "hits go to the playlist"; }
    int32_t ResultRowCount() override { return 0; }
    void FinishResultsList() override {}
    void SetResultsCaption(TextView) override {}
    void SetStatusPanel2(TextView) override {}
    Text CurrentText() override { return words; }

    Text words;
    std::vector<std::string> hits;
};

class SitePagesTest : public ::testing::Test {
  protected:
    site_server::testing::ServerCodec codec;
    site::testing::FakeTransport transport;
    site::testing::CountingPump pump;
    site::SiteAccess site{transport, codec, pump, site::SiteHosts{u"s.test:1", u"q.test:2", u"m.test:3"}};

    std::string SearchAddress(std::string_view key, std::size_t page) {
        const std::string value = TextToUtf8(site::EncodeQuery(Utf8ToText(key), codec));
        if (page == 1) return "http://q.test:2/so.asp?key=" + value;
        return "http://q.test:2/so.asp?page=" + std::to_string(page) + "&key=" + value;
    }

    // Serves the result pages the site gives for key, hits giving each page's songs, and one page more.
    void ServeSearch(std::string_view key, const std::function<SearchPage(std::size_t page)>& hits) {
        const std::size_t pages = (hits(1).total + kPageSize - 1) / kPageSize;
        for (std::size_t page = 1; page <= pages + 1; ++page) {
            transport.Serve(SearchAddress(key, page),
                            SearchResultPage(kHosts, key, page, hits(page), codec).body);
        }
    }

    void ServeSearch(std::string_view key, const std::vector<Song>& matches) {
        ServeSearch(key, [&](std::size_t page) {
            SearchPage hits{matches.size(), {}};
            for (std::size_t i = (page - 1) * kPageSize; i < matches.size() && hits.songs.size() < kPageSize;
                 ++i) {
                hits.songs.push_back(matches[i]);
            }
            return hits;
        });
    }

    // The whole search as the player runs it for key: the hits it takes and the pages it asks for.
    std::pair<std::vector<std::string>, std::size_t> PlayerSearch(std::string_view key) {
        PlayerWindows windows;
        windows.words = Utf8ToText(key);
        site::SearchState state;
        site::SearchHost host{state, windows, windows, windows};
        Text address = site::FirstSearchPageAddress(site, Utf8ToText(key));
        transport.requests.clear();
        site::RunSearch(address, site, host);
        return {windows.hits, transport.requests.size()};
    }

    // One search page as the player reads it: its hit count turned into pages, and its hits.
    std::pair<int, std::vector<std::string>> ReadSearchPage(const Page& page) {
        const Text text = site::DecodeBody(codec, page.body, site::kCharsetAuto);
        const Text count = site::AfterFirst(
            site::BeforeMarker(site::AfterMarker(text, u"找到相关结果共"), u"</font>个"), u'>');
        const Text block = site::BeforeMarker(site::AfterMarker(text, u"class=\"songNum\""), u"soBottom");
        std::vector<std::string> hits;
        for (const site::SearchResult& hit : site::ScrapeHits(block, u"s.test:1")) {
            hits.push_back(TextToUtf8(hit.id) + "|" + TextToUtf8(hit.name));
        }
        return {site::PagesForCountText(count).pages, hits};
    }

    std::vector<std::string> PlayerLyrics(const Page& page, site::CollectedLyrics& out) {
        transport.Serve("http://s.test:1/geci/5.htm", page.body, page.status);
        site::FetchLyrics(site, 5, out, out);
        std::vector<std::string> lines;
        for (const Text& line : out.lines) lines.push_back(TextToUtf8(line));
        return lines;
    }
};

std::vector<Song> NumberedSongs(std::size_t count) {
    std::vector<Song> songs;
    for (std::size_t n = 0; n < count; ++n) {
        const auto id = static_cast<SongId>(1000 + n);
        songs.push_back(MakeSong(id, "歌曲" + std::to_string(n), "歌手 Liu" + std::to_string(n % 3)));
    }
    return songs;
}

std::vector<std::string> HitsOf(const std::vector<Song>& songs, std::size_t count) {
    std::vector<std::string> hits;
    for (std::size_t i = 0; i < count && i < songs.size(); ++i) {
        hits.push_back(std::to_string(songs[i].id) + "|" + songs[i].title);
    }
    return hits;
}

TEST_F(SitePagesTest, ThePlayersSearchTakesEveryHitOverAsManyPagesAsItsCountRuleGives) {
    // hits, pages the player asks for (hits / 20 rounded, halves to even, at least the first), hits it takes
    const struct {
        std::size_t total, requests, taken;
    } cases[] = {{0, 1, 0}, {10, 1, 10}, {20, 1, 20}, {30, 2, 30}, {32, 2, 32}, {50, 2, 40}, {70, 4, 70}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.total);
        const std::vector<Song> songs = NumberedSongs(c.total);
        ServeSearch("liu", songs);
        const auto [hits, requests] = PlayerSearch("liu");
        EXPECT_EQ(requests, c.requests);
        EXPECT_EQ(hits, HitsOf(songs, c.taken));
    }

    // The pages are UTF-8 and say so; the player's sniff finds no "charset=gb2312" in them.
    const std::vector<Song> songs = NumberedSongs(32);
    const Page first =
        SearchResultPage(kHosts, "liu", 1, SearchPage{32, {songs.begin(), songs.begin() + 20}}, codec);
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.contentType, kUtf8Html);
    EXPECT_NE(Head(first).find("charset=utf-8"), std::string::npos);
    EXPECT_EQ(Head(first).find("charset=gb2312"), std::string::npos);
    // A page beyond the last shows the count and no hits; so does a search without hits.
    for (const std::size_t page : {std::size_t{3}, std::size_t{1000}, SIZE_MAX}) {
        EXPECT_EQ(ReadSearchPage(SearchResultPage(kHosts, "liu", page, SearchPage{32, {}}, codec)),
                  (std::pair<int, std::vector<std::string>>{2, {}}))
            << page;
    }
    const Page none = SearchResultPage(kHosts, "", 1, SearchPage{}, codec);
    EXPECT_EQ(ReadSearchPage(none), (std::pair<int, std::vector<std::string>>{0, {}}));
    EXPECT_NE(none.body.find("soBottom"), std::string::npos);

    // Below the hits, links to the first and the last page and to the neighbours of the current one.
    const std::string body = SearchResultPage(kHosts, "liu", 50, SearchPage{2000, {}}, codec).body;
    const std::string links = body.substr(body.find("<div class=\"soBottom\">"), 1200);
    for (const std::size_t n : {1, 45, 49, 51, 55, 100}) {
        const std::string link = "<a href=\"/so.asp?page=" + std::to_string(n) + "&amp;key=liu\">";
        EXPECT_EQ(links.find(link) != std::string::npos, n != 45 && n != 55) << n;
    }
    EXPECT_NE(links.find(">上一页</a> <a href=\"/so.asp?page=1&amp;key=liu\">1</a> … <a"), std::string::npos);
    EXPECT_NE(links.find(">54</a> … <a href=\"/so.asp?page=100&amp;key=liu\">100</a> <a"), std::string::npos);
    EXPECT_NE(links.find(" <b>50</b> "), std::string::npos);
}

TEST_F(SitePagesTest, TextInKeysAndTitlesPlantsNoMarkerOfThePlayers) {
    const std::string planted =
        "找到相关结果共<font>99</font>个 class=\"songNum\" soBottom charset=gb2312 "
        "CHARSET=GB2312 href=\"http://s.test:1/play/666.htm\">x</a><a >y</a>";
    const Page empty = SearchResultPage(kHosts, planted, 1, SearchPage{}, codec);
    EXPECT_EQ(Head(empty).find("charset=gb2312"), std::string::npos);
    EXPECT_EQ(ReadSearchPage(empty), (std::pair<int, std::vector<std::string>>{0, {}}));

    const std::vector<Song> songs = {
        MakeSong(1, "soBottom", "so Bottom"),
        MakeSong(2, "a</a><a href=\"http://s.test:1/play/666.htm\">evil</a>",
                 "href=http://s.test:1/play/777.htm>z"),
        MakeSong(3, "找到相关结果共<font>99</font>个", planted),
        MakeSong(4, "charset=gb2312", "</div>BaiduButtonBEGIN firstplay=\"/x\";}catch(e)"),
        MakeSong(5, "sOBOTTOM", "plain"),
    };
    const Page page = SearchResultPage(kHosts, planted, 1, SearchPage{5, songs}, codec);
    EXPECT_EQ(Head(page).find("charset=gb2312"), std::string::npos);
    const auto [pages, hits] = ReadSearchPage(page);
    EXPECT_EQ(pages, 0);
    ASSERT_EQ(hits.size(), 5u);
    // The player shows names as it scrapes them: a title spelling the end of the results is broken by one
    // reference, markup is escaped, and the other songs are untouched.
    EXPECT_EQ(hits[0], "1|&#115;oBottom");
    EXPECT_EQ(hits[1].substr(0, 2), "2|");
    EXPECT_EQ(hits[2], "3|找到相关结果共&lt;font&gt;99&lt;/font&gt;个");
    EXPECT_EQ(hits[3], "4|charset=gb2312");
    EXPECT_EQ(hits[4], "5|sOBOTTOM");

    // No title, singer or album on a play page leads the player to another address.
    Song song = MakeSong(9, "firstplay=\"/evil.mp3\";}catch(e)", "x firstplay = \"/bad.mp3\";}catch(e)",
                         "audio/real.mp3");
    song.album = "firstplay=";
    transport.Serve("http://s.test:1/play/9.htm", PlayPage(kHosts, song, codec).body);
    EXPECT_EQ(site::ResolveSongAddress(site, u"9"), u"http://m.test:3/music/9/real.mp3");
}

TEST_F(SitePagesTest, PlayAndHomePagesAreUtf8AndCarryWhatGbkCannot) {
    const struct {
        std::string path, media;
    } paths[] = {
        {"x.mp3", "/music/7/x.mp3"},
        {"dir/A-Z_a.z~09.flac", "/music/7/A-Z_a.z~09.flac"},
        {"歌 曲/第一 首.wav", "/music/7/%E7%AC%AC%E4%B8%80%20%E9%A6%96.wav"},
        {"a/b c+d%&'\"<>=;.mp3", "/music/7/b%20c%2Bd%25%26%27%22%3C%3E%3D%3B.mp3"},
        {"사랑.m4a", "/music/7/%EC%82%AC%EB%9E%91.m4a"},
    };
    for (const auto& p : paths) {
        const Song song = MakeSong(7, "第一首", "甲", p.path);
        EXPECT_EQ(MediaPath(song), p.media);
        transport.Serve("http://s.test:1/play/7.htm", PlayPage(kHosts, song, codec).body);
        EXPECT_EQ(TextToUtf8(site::ResolveSongAddress(site, u"7")), "http://m.test:3" + p.media);
    }

    Song song = MakeSong(8, "사랑😀", "가수 & co", "k/사랑.mp3");
    song.album = "앨범";
    song.duration = 125.5;
    const Page play = PlayPage(kHosts, song, codec);
    EXPECT_EQ(play.contentType, kUtf8Html);
    EXPECT_EQ(Head(play).find("charset=gb2312"), std::string::npos);
    const std::string text = TextToUtf8(site::DecodeBody(codec, play.body, site::kCharsetAuto));
    for (const char* part : {"<h1>사랑😀</h1>", ">가수 &amp; co</a>", "专辑：앨범", "时长：2:06"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }

    // The same title reaches the player's playlist whole through a search page.
    ServeSearch("사랑", {song});
    EXPECT_EQ(PlayerSearch("사랑").first, std::vector<std::string>{"8|사랑😀"});

    const Page home = HomePage(kHosts, {song, MakeSong(9, "a<b", "c&d")}, 40, codec);
    EXPECT_EQ(home.contentType, kUtf8Html);
    EXPECT_EQ(Head(home).find("charset=gb2312"), std::string::npos);
    for (const char* part :
         {"全部歌曲（共40首）", "<a href=\"http://s.test:1/play/8.htm\">사랑😀</a> - 가수 &amp; co",
          "<a href=\"http://s.test:1/play/9.htm\">a&lt;b</a> - c&amp;d"}) {
        EXPECT_NE(home.body.find(part), std::string::npos) << part;
    }
}

TEST_F(SitePagesTest, LyricsComeBackLineForLineAndMarkersInThemAreBroken) {
    const Song song = MakeSong(5, "我要上传歌词 BaiduButtonBEGIN", "无法找到该页 歌曲播放：");
    const std::vector<std::string> lines = {
        "[00:01.00]第一句",
        "[00:02.00]second",
        "[00:03.00]사랑😀",
        "[00:04.00]BaiduButtonBEGIN",
        "[00:05.00]Baidu Button\tBEGIN",
        "[00:06.00]</div>x",
        "[00:07.00]我要上传歌词",
        "[00:08.00]无法找到该页",
        "[00:09.00]歌曲播放：y",
    };
    const Page page = LyricsPage(kHosts, song, lines, codec);
    EXPECT_EQ(page.contentType, kGbkHtml);
    EXPECT_NE(Head(page).find("charset=gb2312"), std::string::npos);
    site::CollectedLyrics out;
    EXPECT_EQ(PlayerLyrics(page, out), (std::vector<std::string>{
                                           "[00:01.00]第一句",
                                           "[00:02.00]second",
                                           "[00:03.00]&#49324;&#46993;&#128512;",
                                           "[00:04.00]&#66;aiduButtonBEGIN",
                                           "[00:05.00]&#66;aiduButtonBEGIN",
                                           "[00:06.00]&lt;/div&gt;x",
                                           "[00:07.00]&#25105;要上传歌词",
                                           "[00:08.00]&#26080;法找到该页",
                                           "[00:09.00]歌曲播放：y",
                                       }));
    EXPECT_EQ(out.caption, site::kFetchingLyrics);

    // Without lyrics (none, or no lines) the page asks for them; the player says it has none.
    for (const auto& none :
         {std::optional<std::vector<std::string>>{}, std::optional(std::vector<std::string>{})}) {
        site::CollectedLyrics asked;
        const Page without = LyricsPage(kHosts, song, none, codec);
        EXPECT_NE(DecodeGbk(codec, without.body).find("我要上传歌词"), std::string::npos);
        EXPECT_TRUE(PlayerLyrics(without, asked).empty());
        EXPECT_EQ(asked.caption, site::kNoLyrics);
    }
}

TEST_F(SitePagesTest, ErrorPagesAreGbkAndOnlyTheUnknownPageSaysSo) {
    const struct {
        int status;
        const char* title;
        const char* heading;
    } errors[] = {
        {400, "错误的请求", "HTTP 错误 400 - 请求无效。"},
        {404, "无法找到该页", "HTTP 错误 404 - 文件或目录未找到。"},
        {405, "不允许使用此方法", "HTTP 错误 405 - 用于访问该页的 HTTP 动作未被许可。"},
        {416, "请求的范围无法满足", "HTTP 错误 416 - 请求的范围无效。"},
        {500, "服务器内部错误", "HTTP 错误 500 - 内部服务器错误。"},
        {503, "出错了", "HTTP 错误 503。"},
    };
    for (const auto& e : errors) {
        const Page page = ErrorPage(kHosts, e.status, codec);
        EXPECT_EQ(page.status, e.status);
        EXPECT_EQ(page.contentType, kGbkHtml);
        EXPECT_NE(Head(page).find("charset=gb2312"), std::string::npos);
        const std::optional<std::string> text = DecodeGbkStrict(codec, page.body);
        ASSERT_TRUE(text) << e.status;
        EXPECT_NE(text->find(std::string("<h1>") + e.title + "</h1>"), std::string::npos) << e.status;
        EXPECT_NE(text->find(std::string("<p>") + e.heading + "</p>"), std::string::npos) << e.status;
        EXPECT_EQ(text->find("我要上传歌词"), std::string::npos);
        EXPECT_EQ(text->find("无法找到该页") != std::string::npos, e.status == 404) << e.status;
    }
    // The player reads the page of an unknown song as a song without lyrics.
    site::CollectedLyrics out;
    EXPECT_TRUE(PlayerLyrics(ErrorPage(kHosts, 404, codec), out).empty());
    EXPECT_EQ(out.caption, site::kNoLyrics);
}

using TempFolder = mulan::library::testing::TemporaryFolder;

[[maybe_unused]] std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

[[maybe_unused]] std::vector<std::string> NonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// The site over the demo catalogue (tools/site/make_demo_catalogue.py), read as the player reads it.
// Natively only: a program under Wine cannot wait for the generator it would start (the helpers above
// serve it alone).
TEST_F(SitePagesTest, TheDemoCatalogueGivesThePlayerItsDocumentedSearchesLyricsAndAudio) {
#ifdef _WIN32
    GTEST_SKIP() << "the demo catalogue is made with Python, sox and lame";
#else
    if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3 to make the demo catalogue";
    TempFolder folder("demo");
    const std::string command = "/usr/bin/python3 '" MULAN_SOURCE_DIR
                                "/tools/site/make_demo_catalogue.py' '" +
                                Utf8FromPath(folder.path()) + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto catalogue = Catalogue::Load(folder.path(), codec);
    const nlohmann::json listing = nlohmann::json::parse(ReadFile(folder.path() / kCatalogueFile));
    const nlohmann::json& songs = listing["songs"];
    ASSERT_EQ(catalogue->Count(), songs.size());
    EXPECT_GE(songs.size(), 30u);

    for (const char* which : {"two_pages", "one_page"}) {
        const nlohmann::json& documented = listing["search_keys"][which];
        const std::string key = documented["key"];
        std::vector<std::string> expected;
        for (const nlohmann::json& song : songs) {
            const std::string text =
                FoldForSearch(song["title"].get<std::string>() + "\n" + song["singer"].get<std::string>());
            if (text.find(FoldForSearch(key)) != std::string::npos) {
                expected.push_back(song["id"].get<std::string>() + "|" + song["title"].get<std::string>());
            }
        }
        ASSERT_EQ(expected.size(), documented["hits"].get<std::size_t>()) << key;
        ServeSearch(key, [&](std::size_t page) { return catalogue->Search(key, page); });
        const auto [hits, requests] = PlayerSearch(key);
        EXPECT_EQ(hits, expected) << key;
        EXPECT_EQ(requests, documented["pages"].get<std::size_t>()) << key;
    }

    std::size_t withLyrics = 0;
    for (const nlohmann::json& entry : songs) {
        const Song song = *catalogue->ById(std::stoll(entry["id"].get<std::string>()));
        SCOPED_TRACE(song.id);
        EXPECT_EQ(catalogue->AudioFile(song), folder.path() / PathFromUtf8(entry["file"].get<std::string>()));
        transport.Serve("http://s.test:1/play/" + std::to_string(song.id) + ".htm",
                        PlayPage(kHosts, song, codec).body);
        EXPECT_EQ(TextToUtf8(site::ResolveSongAddress(site, Utf8ToText(std::to_string(song.id)))),
                  "http://m.test:3/music/" + std::to_string(song.id) + "/" + std::to_string(song.id) +
                      entry["file"].get<std::string>().substr(entry["file"].get<std::string>().rfind('.')));
        site::CollectedLyrics out;
        const std::vector<std::string> lines =
            PlayerLyrics(LyricsPage(kHosts, song, catalogue->Lyrics(song), codec), out);
        if (entry["lrc"].is_null()) {
            EXPECT_TRUE(lines.empty());
            EXPECT_EQ(out.caption, site::kNoLyrics);
        } else {
            ++withLyrics;
            EXPECT_EQ(lines,
                      NonEmptyLines(ReadFile(folder.path() / PathFromUtf8(entry["lrc"].get<std::string>()))));
            EXPECT_GE(lines.size(), 2u);
        }
    }
    EXPECT_GT(withLyrics, songs.size() / 2);
    EXPECT_LT(withLyrics, songs.size());
#endif
}

}  // namespace
}  // namespace mulan::library
