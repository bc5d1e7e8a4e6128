#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "site/fetch_page.h"
#include "site/lyrics.h"
#include "site/platform_codec.h"
#include "site/search.h"
#include "site/site_fakes.h"
#include "site/song_address.h"

namespace mulan::site {
namespace {

using testing::ReadDataFile;

// Pages recorded from mulan-site, with the readings of the site's own reference reader beside them.
class RecordedPagesTest : public ::testing::Test, public HitSink, public SearchStatusSink, public SearchBox {
  protected:
    void SetUp() override {
        const std::string search = "http://127.0.0.1:18181/so.asp?";
        transport.Serve(search + "key=u", ReadDataFile("search_u_page1.htm"));
        transport.Serve(search + "page=2&key=u", ReadDataFile("search_u_page2.htm"));
        transport.Serve(search + "key=%C1%F8%C8%E7%D4%C6", ReadDataFile("search_liu.htm"));
        transport.Serve("http://127.0.0.1:18180/play/1001.htm", ReadDataFile("play_1001.htm"));
        transport.Serve("http://127.0.0.1:18180/play/99.htm", ReadDataFile("play_99_404.htm"), 404);
        transport.Serve("http://127.0.0.1:18180/geci/1001.htm", ReadDataFile("lyrics_1001.htm"));
        transport.Serve("http://127.0.0.1:18180/geci/1007.htm", ReadDataFile("lyrics_1007.htm"));
        transport.Serve("http://127.0.0.1:18180/geci/99.htm", ReadDataFile("lyrics_99_404.htm"), 404);
    }

    // The reference reader's hits of the given recorded pages, as "id\tname".
    static std::vector<std::string> ExpectedHits(const std::vector<std::string>& pages) {
        std::istringstream lines(ReadDataFile("expected_hits.tsv"));
        std::vector<std::string> hits;
        for (std::string line; std::getline(lines, line);) {
            const size_t tab = line.find('\t');
            for (const auto& page : pages) {
                if (line.substr(0, tab) == page) hits.push_back(line.substr(tab + 1));
            }
        }
        return hits;
    }

    void AddToPlaylist(const SearchResult& hit) override {
        const TextView name = hit.name, id = hit.id;
        playlist.push_back(TextToUtf8(id) + "\t" + TextToUtf8(name));
    }
    int32_t PlaylistCount() override { return static_cast<int32_t>(playlist.size()); }
    void AddResultRow(const SearchResult& hit) override {
        const TextView id = hit.id, name = hit.name;
        rows.push_back(TextToUtf8(id) + "\t" + TextToUtf8(name));
    }
    int32_t ResultRowCount() override { return static_cast<int32_t>(rows.size()); }
    void FinishResultsList() override {}
    void SetResultsCaption(TextView caption) override { captions.emplace_back(caption); }
    void SetStatusPanel2(TextView text) override { status = text; }
    Text CurrentText() override { return boxText; }

    void Search(TextView words, int16_t target) {
        boxText = Text(words);
        state = SearchState{1, 0, target};
        Text address = FirstSearchPageAddress(site, words);
        RunSearch(address, site, host);
    }

    testing::FakeTransport transport;
    testing::CountingPump pump;
    SiteAccess site{transport, testing::PlatformCodec(), pump,
                    SiteHosts{u"127.0.0.1:18180", u"127.0.0.1:18181", u"127.0.0.1:18182"}};
    SearchState state;
    SearchHost host{state, *this, *this, *this};
    std::vector<std::string> rows, playlist;
    std::vector<Text> captions;
    Text status, boxText;
};

TEST_F(RecordedPagesTest, SearchSpanningTwoPagesGivesTheReferenceHits) {
    Search(u"u", TargetResults);
    EXPECT_EQ(rows, ExpectedHits({"search_u_page1.htm", "search_u_page2.htm"}));
    EXPECT_EQ(rows.size(), 32u);
    EXPECT_EQ(rows.front(), "1001\t后来的我们");
    EXPECT_EQ(captions,
              (std::vector<Text>{u"共找到2页数据,正在分析第2页数据，请稍候。。", u"音乐搜索信息!"}));
    EXPECT_EQ(status, u"共找到32首音乐信息!");
}

TEST_F(RecordedPagesTest, StartUpSearchFillsThePlaylist) {
    Search(u"柳如云", TargetPlaylist);
    EXPECT_EQ(playlist, ExpectedHits({"search_liu.htm"}));
    EXPECT_EQ(playlist.size(), 3u);
    EXPECT_EQ(status, u"共找到3首音乐信息!");
    EXPECT_EQ(transport.requests.size(), 1u);
}

TEST_F(RecordedPagesTest, PlayPagesResolveAndErrorPagesFail) {
    EXPECT_EQ(ResolveSongAddress(site, u"1001"), u"http://127.0.0.1:18182/music/audio/1001.mp3");
    EXPECT_THROW(ResolveSongAddress(site, u"99"), SiteError);
}

class Lines final : public LyricLines, public LyricLabel {
  public:
    void Clear() override { lines.clear(); }
    void Add(TextView line) override { lines += TextToUtf8(line) + "\n"; }
    void SetCaption(TextView text) override { caption = text; }
    std::string lines;
    Text caption;
};

TEST_F(RecordedPagesTest, LyricsPagesGiveTheReferenceLinesOrNoLyrics) {
    Lines out;
    FetchLyrics(site, 1001, out, out);
    EXPECT_EQ(out.lines, ReadDataFile("expected_lyrics_1001.txt"));
    EXPECT_EQ(out.caption, kFetchingLyrics);
    FetchLyrics(site, 1007, out, out);
    EXPECT_EQ(out.lines, "");
    EXPECT_EQ(out.caption, kNoLyrics);
    out.caption.clear();
    FetchLyrics(site, 99, out, out);
    EXPECT_EQ(out.caption, kNoLyrics);
}

TEST_F(RecordedPagesTest, CharsetMarkerPastTheFirstThousandBytesMeansUtf8) {
    const std::string page = ReadDataFile("search_liu.htm");
    const Text asGbk = DecodeBody(testing::PlatformCodec(), page, kCharsetAuto);
    EXPECT_NE(asGbk.find(u"柳如云"), Text::npos);
    const std::string late = std::string(1000, ' ') + page;
    const Text asUtf8 = DecodeBody(testing::PlatformCodec(), late, kCharsetAuto);
    EXPECT_EQ(asUtf8.find(u"柳如云"), Text::npos);
    EXPECT_NE(asUtf8.find(u'\uFFFD'), Text::npos);
    EXPECT_NE(asUtf8.find(u"charset=gb2312"), Text::npos);
}

}  // namespace
}  // namespace mulan::site
