#include "site/search.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "base/text.h"
#include "site/site_fakes.h"
#include "support/report_catcher.h"

namespace mulan::site {
namespace {

// Records what a search does to the playlist, the results window and the status bar.
class RecordingHost final : public HitSink, public SearchStatusSink, public SearchBox {
  public:
    void AddToPlaylist(const SearchResult& hit) override {
        const TextView name = hit.name, id = hit.id;
        playlist.push_back(Text(id) + u"|" + Text(name));
    }
    int32_t PlaylistCount() override { return static_cast<int32_t>(playlist.size()); }
    void AddResultRow(const SearchResult& hit) override {
        const TextView id = hit.id, name = hit.name;
        rows.push_back(Text(id) + u"|" + Text(name));
    }
    int32_t ResultRowCount() override { return static_cast<int32_t>(rows.size()); }
    void FinishResultsList() override { ++finishes; }
    void SetResultsCaption(TextView caption) override { captions.emplace_back(caption); }
    void SetStatusPanel2(TextView text) override { status.emplace_back(text); }
    Text CurrentText() override { return boxText; }

    std::vector<Text> playlist, rows, captions, status;
    int finishes = 0;
    Text boxText = u"搜索歌曲";
};

std::string Hit(const std::string& id, const std::string& name) {
    return "<li><span class=\"songNum\">1.</span><a href=\"http://s:1/play/" + id + ".htm\">" + name +
           "</a><a href=\"/so.asp?key=x\" class=\"singer\">singer</a></li>\r\n";
}

std::string Page(const std::string& count, const std::string& hits) {
    return "<html><div>找到相关结果共<font color=\"#c60a00\">" + count +
           "</font>个</div>\r\n<ul class=\"songNum\">\r\n" + hits +
           "</ul><div class=\"soBottom\"><a href=\"http://s:1/play/9.htm\">outside</a><a x>y</a></div>";
}

class SearchTest : public ::testing::Test {
  protected:
    testing::FakeTransport transport;
    testing::TableCodec codec;
    testing::CountingPump pump;
    SiteAccess site{transport, codec, pump, SiteHosts{u"s:1", u"q:2", u"m:3"}};
    RecordingHost host;
    SearchState state{1, 0, TargetResults};
    SearchHost searchHost{state, host, host, host};

    SearchOutcome Run(TextView words) {
        Text address = FirstSearchPageAddress(site, words);
        return RunSearch(address, site, searchHost);
    }
};

TEST_F(SearchTest, PageCountIsHitsOverTwentyWithHalvesToEven) {
    const std::vector<std::pair<Text, int>> cases = {
        {u"20", 1}, {u"30", 2}, {u"50", 2}, {u"70", 4}, {u"19", 1},    {u"9", 0},     {u"45", 2},
        {u"10", 0}, {u"25", 1}, {u"29", 1}, {u"0", 0},  {u"12abc", 1}, {u"00030", 2}, {u"655349", 32767}};
    for (const auto& [text, pages] : cases) {
        const PageCount count = PagesForCountText(text);
        EXPECT_TRUE(count.fits) << TextToUtf8(text);
        EXPECT_EQ(count.pages, pages) << TextToUtf8(text);
    }
    EXPECT_EQ(PagesForCountText(u"x12").pages, 0);
    EXPECT_TRUE(PagesForCountText(u"").fits);
    EXPECT_FALSE(PagesForCountText(u"655350").fits);
    EXPECT_FALSE(PagesForCountText(u"99999999999999999999999").fits);
}

TEST_F(SearchTest, SpansPagesTakingLaterKeysFromTheSearchBox) {
    transport.Serve("http://q:2/so.asp?key=%C1%F8", Page("30", Hit("1001", "A") + Hit("1002", "B")));
    transport.Serve("http://q:2/so.asp?page=2&key=%B8%E8", Page("30", Hit("1003", "C")));
    host.boxText = u"歌";
    Run(u"柳");
    EXPECT_EQ(transport.requests, (std::vector<std::string>{"http://q:2/so.asp?key=%C1%F8",
                                                            "http://q:2/so.asp?page=2&key=%B8%E8"}));
    EXPECT_EQ(host.rows, (std::vector<Text>{u"1001|A", u"1002|B", u"1003|C"}));
    EXPECT_TRUE(host.playlist.empty());
    EXPECT_EQ(host.captions,
              (std::vector<Text>{u"共找到2页数据,正在分析第2页数据，请稍候。。", u"音乐搜索信息!"}));
    EXPECT_EQ(host.status, std::vector<Text>{u"共找到3首音乐信息!"});
    EXPECT_EQ(host.finishes, 1);
    EXPECT_EQ(state.SearchPage, 0);
    EXPECT_EQ(state.SearchPageCount, 2);
    EXPECT_EQ(pump.runs, 2 + 3);  // each fetch and each hit
}

TEST_F(SearchTest, TwentyFiveHitsFetchOnlyTheFirstPage) {
    transport.Serve("http://q:2/so.asp?key=u", Page("25", Hit("1", "a")));
    Run(u"u");
    EXPECT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(host.captions, std::vector<Text>{u"音乐搜索信息!"});
}

TEST_F(SearchTest, PlaylistTargetAddsEntriesAndCountsTheWholeList) {
    state.SearchTarget = TargetPlaylist;
    host.playlist = {u"old|entry"};
    transport.Serve("http://q:2/so.asp?key=u", Page("2", Hit("1001", "A") + Hit("1001", "A")));
    Run(u"u");
    // The same song twice is delivered twice; the count includes the entry that was already there.
    EXPECT_EQ(host.playlist, (std::vector<Text>{u"old|entry", u"1001|A", u"1001|A"}));
    EXPECT_EQ(host.status, std::vector<Text>{u"共找到3首音乐信息!"});
    EXPECT_EQ(host.finishes, 0);
}

// A site that cannot be reached is said so, for either list; never "found 0 songs" as if it had
// answered. The search ends as any other does.
TEST_F(SearchTest, AFirstPageThatCannotBeFetchedIsAFailureNotAnEmptyResult) {
    host.rows = {u"kept|row"};
    EXPECT_EQ(Run(u"nothing-served"), SearchOutcome::SiteNotReached);
    EXPECT_EQ(host.status, std::vector<Text>{u"搜索失败：无法连接音乐网站"});
    EXPECT_EQ(host.captions, std::vector<Text>{u"音乐搜索信息!"});
    EXPECT_EQ(host.rows, std::vector<Text>{u"kept|row"});
    EXPECT_EQ(host.finishes, 1);
    EXPECT_EQ(state.SearchPage, 0);

    state = SearchState{1, 0, TargetPlaylist};
    Run(u"u");
    EXPECT_EQ(host.status.back(), u"搜索失败：无法连接音乐网站");
    EXPECT_TRUE(host.playlist.empty());
    EXPECT_EQ(state.SearchPage, 0);
}

// A site started together with the player may not listen yet when the start-up search asks: a
// refused first page is tried again, a pause apart, and the search goes on as usual once it answers.
// A site that never comes is a failure after a bounded number of tries; a silent or broken exchange
// has already taken its time-out and is not repeated, nor is a later page.
TEST_F(SearchTest, ARefusedFirstPageIsTriedAgainBeforeTheSearchFails) {
    const std::string first = "http://q:2/so.asp?key=u";
    state.SearchTarget = TargetPlaylist;
    transport.Refuse(first, 2);
    transport.Serve(first, Page("2", Hit("1", "a") + Hit("2", "b")));
    EXPECT_EQ(Run(u"u"), SearchOutcome::Counted);
    EXPECT_EQ(transport.requests, (std::vector<std::string>{first, first, first}));
    EXPECT_EQ(pump.pauses.size(), 2u);
    for (const auto pause : pump.pauses) {
        EXPECT_GE(pause, std::chrono::milliseconds(500));
        EXPECT_LE(pause, std::chrono::milliseconds(2000));
    }
    EXPECT_EQ(host.playlist, (std::vector<Text>{u"1|a", u"2|b"}));
    EXPECT_EQ(host.status, std::vector<Text>{u"共找到2首音乐信息!"});

    transport.requests.clear();
    transport.Refuse(first, 1000);
    state.SearchPage = 1;
    EXPECT_EQ(Run(u"u"), SearchOutcome::SiteNotReached);
    EXPECT_GE(transport.requests.size(), 2u);
    EXPECT_LE(transport.requests.size(), 5u);
    EXPECT_EQ(host.status.back(), u"搜索失败：无法连接音乐网站");
    EXPECT_EQ(state.SearchPage, 0);

    // Nothing served for this key: the fake fails it as a broken exchange, which is not retried.
    transport.requests.clear();
    state.SearchPage = 1;
    Run(u"gone");
    EXPECT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(host.status.back(), u"搜索失败：无法连接音乐网站");

    transport.requests.clear();
    transport.Refuse(first, 0);
    transport.Serve(first, Page("40", Hit("3", "c")));
    transport.Refuse("http://q:2/so.asp?page=2&key=u", 1000);
    host.boxText = u"u";
    state.SearchPage = 1;
    Run(u"u");
    EXPECT_EQ(transport.requests, (std::vector<std::string>{first, "http://q:2/so.asp?page=2&key=u"}));
    EXPECT_EQ(host.status.back(), u"共找到3首音乐信息!");
}

// The hits of the pages read are real: a later page that fails ends the search with their count.
TEST_F(SearchTest, ALaterPageThatFailsEndsTheSearchWithTheCountSoFar) {
    transport.Serve("http://q:2/so.asp?key=u", Page("60", Hit("1", "a") + Hit("2", "b")));
    host.boxText = u"u";
    EXPECT_EQ(Run(u"u"), SearchOutcome::Counted) << "the site answered";
    EXPECT_EQ(transport.requests.back(), "http://q:2/so.asp?page=2&key=u");
    EXPECT_EQ(host.rows, (std::vector<Text>{u"1|a", u"2|b"}));
    EXPECT_EQ(host.status, std::vector<Text>{u"共找到2首音乐信息!"});
    EXPECT_EQ(state.SearchPage, 0);
}

TEST_F(SearchTest, PagesWithoutMarkersEndTheSearch) {
    // No count marker: the count is read after the page's first ">"; no block markers: the whole page.
    transport.Serve("http://q:2/so.asp?key=v", "x>40 <a href=\"http://s:1/play/5.htm\">N</a><a x>y</a>");
    host.boxText = u"柳如云";
    Run(u"v");
    EXPECT_EQ(transport.requests.back(), "http://q:2/so.asp?page=2&key=%C1%F8%C8%E7%D4%C6");
    EXPECT_EQ(host.rows.back(), u"5|N");
}

TEST_F(SearchTest, OverflowingCountKeepsThePreviousPageCount) {
    state.SearchPageCount = 1;
    transport.Serve("http://q:2/so.asp?key=u", Page("9999999", Hit("1", "a")));
    Run(u"u");
    EXPECT_EQ(state.SearchPageCount, 1);
    EXPECT_EQ(transport.requests.size(), 1u);
}

TEST_F(SearchTest, HitsAreCutAsTheSiteWritesThem) {
    const std::string block =
        Hit("11", "Two Words") +                                        // cut at the space
        "<a href=http://s:1/play/12.htm>unquoted</a><a x>y</a>\r\n" +   // no "> in the group: skipped
        "<a href=\"http://s:1/list/13.htm\">other</a><a x>y</a>\r\n" +  // not a play page: delivered
        Hit("14",
            "\xee\x9f\xbf"
            "Deco"
            "\xee\xa0\x94\xee\xa0\x94\xee\xa0\x94\xee\xa0\x94\xee\xa0\x94"
            "Name") +
        Hit("15", "Last");
    transport.Serve("http://q:2/so.asp?key=u", Page("5", block));
    Run(u"u");
    EXPECT_EQ(host.rows, (std::vector<Text>{u"11|Two", u"s:1/list/13|other", u"14|DecoName", u"15|Last"}));
}

TEST_F(SearchTest, FailingDeliveryLosesOnlyThatHit) {
    class Throwing final : public HitSink {
      public:
        void AddToPlaylist(const SearchResult&) override {}
        int32_t PlaylistCount() override { throw std::runtime_error("gone"); }
        void AddResultRow(const SearchResult& hit) override {
            const TextView id = hit.id;
            if (id == u"1") throw std::runtime_error("full");
            ids.emplace_back(id);
        }
        int32_t ResultRowCount() override { return static_cast<int32_t>(ids.size()); }
        void FinishResultsList() override { throw std::runtime_error("empty"); }
        std::vector<Text> ids;
    } throwing;
    SearchHost failing{state, throwing, host, host};
    transport.Serve("http://q:2/so.asp?key=u", Page("2", Hit("1", "a") + Hit("2", "b")));
    Text address = FirstSearchPageAddress(site, u"u");
    ::mulan::testing::ReportCatcher reports;
    RunSearch(address, site, failing);
    EXPECT_EQ(reports.reports, (std::vector<std::string>{"full", "empty"})) << "faults of the host are told";
    EXPECT_EQ(throwing.ids, std::vector<Text>{u"2"});
    EXPECT_EQ(host.status, std::vector<Text>{u"共找到1首音乐信息!"});
}

TEST_F(SearchTest, NestedSearchSharesTheStateWithTheOuterOne) {
    transport.Serve("http://q:2/so.asp?key=a", Page("40", Hit("1", "outer")));
    transport.Serve("http://q:2/so.asp?key=b", Page("10", Hit("2", "inner")));
    transport.Serve("http://q:2/so.asp?page=1&key=box", Page("40", Hit("3", "again")));
    transport.Serve("http://q:2/so.asp?page=2&key=box", Page("40", Hit("4", "outer2")));
    host.boxText = u"box";
    bool started = false;
    transport.duringWait = [&](const std::string& address) {
        if (address != "http://q:2/so.asp?key=a" || started) return;
        started = true;  // Enter pressed while the first page loads
        state.SearchPage = 1;
        Text inner = FirstSearchPageAddress(site, u"b");
        RunSearch(inner, site, searchHost);
    };
    Run(u"a");
    // The inner search ended with page 0; the outer one went on from there, then fetched page 1 of the box's
    // key.
    EXPECT_EQ(
        transport.requests,
        (std::vector<std::string>{"http://q:2/so.asp?key=a", "http://q:2/so.asp?key=b",
                                  "http://q:2/so.asp?page=1&key=box", "http://q:2/so.asp?page=2&key=box"}));
    EXPECT_EQ(host.rows, (std::vector<Text>{u"2|inner", u"1|outer", u"3|again", u"4|outer2"}));
    EXPECT_EQ(host.status.size(), 2u);
    EXPECT_EQ(state.SearchPage, 0);
}

TEST_F(SearchTest, HostilePageEndsTheSearchWithoutHits) {
    std::string page = "找到相关结果共<font>";
    while (page.size() < 4 * 1024 * 1024)
        page += "<a href=\"http://s:1/play/1.htm\">name<font class=\"songNum\">";
    transport.Serve("http://q:2/so.asp?key=u", page + "\xFF\xFE");
    Run(u"u");
    EXPECT_TRUE(host.rows.empty());
    EXPECT_EQ(host.status, std::vector<Text>{u"共找到0首音乐信息!"});
}

}  // namespace
}  // namespace mulan::site
