#include <gtest/gtest.h>

#include <vector>

#include "site/lyrics.h"
#include "site/site_fakes.h"
#include "site/song_address.h"

namespace mulan::site {
namespace {

class PageReaderTest : public ::testing::Test {
  protected:
    testing::FakeTransport transport;
    testing::TableCodec codec;
    testing::CountingPump pump;
    SiteAccess site{transport, codec, pump, SiteHosts{u"s:1", u"q:2", u"m:3"}};
};

TEST_F(PageReaderTest, ResolverJoinsTheFirstplayPathToTheMediaHost) {
    transport.Serve(
        "http://s:1/play/1001.htm",
        "<script>\r\nvar firstplay;\r\ntry{\r\n\tfirstplay = \"/music/1001.mp3\";\r\n}catch(e){}\r\n");
    EXPECT_EQ(ResolveSongAddress(site, u"1001"), u"http://m:3/music/1001.mp3");
}

TEST_F(PageReaderTest, ResolverRemovesSpacesFromThePathAndSendsIdsAsValidTargets) {
    EXPECT_EQ(AudioAddressFromPlayPage(u"firstplay = \"/a b/song.mp3\";}catch(e)", u"m"),
              u"http://m/ab/song.mp3");
    // Without firstplay=, whatever follows the page's first double quote.
    EXPECT_EQ(AudioAddressFromPlayPage(u"x\"/p.mp3\";}catch(e)", u"m"), u"http://m/p.mp3");
    // Without a double quote, the whole text before the end marker.
    EXPECT_EQ(AudioAddressFromPlayPage(u"firstplay=/p.mp3\";}catch(e)", u"m"), u"http://mirstplay=/p.mp3");
    transport.Serve("http://s:1/play/%201%20.htm", "firstplay=\"/x.mp3\";}catch(e)");
    EXPECT_EQ(ResolveSongAddress(site, u" 1 "), u"http://m:3/x.mp3");
}

TEST_F(PageReaderTest, ResolverFailsWithoutTheEndMarkerOrWithoutThePage) {
    transport.Serve("http://s:1/play/7.htm", "<h1>无法找到该页</h1>", 404);
    EXPECT_THROW(ResolveSongAddress(site, u"7"), SiteError);
    EXPECT_THROW(ResolveSongAddress(site, u"8"), SiteError);
    // Spaces and line breaks go before the search, anything else in between hides the marker.
    EXPECT_EQ(AudioAddressFromPlayPage(u"firstplay=\"/x.mp3\"; }\r\n\tcatch (e)", u"m"), u"http://m/x.mp3");
    EXPECT_THROW(AudioAddressFromPlayPage(u"firstplay=\"/x.mp3\";}finally{", u"m"), SiteError);
    EXPECT_THROW(AudioAddressFromPlayPage(u"firstplay=\"/x.mp3\";}\ncatch(e)", u"m"), SiteError);
}

class RecordingLyrics final : public LyricLines, public LyricLabel {
  public:
    void Clear() override {
        lines.clear();
        ++clears;
    }
    void Add(TextView line) override { lines.emplace_back(line); }
    void SetCaption(TextView text) override { captions.emplace_back(text); }
    std::vector<Text> lines, captions;
    int clears = 0;
};

std::string LyricsPage(const std::string& body) {
    return testing::GbkBytes(
        "<p>歌手：x　歌曲播放：<a href=\"/play/1.htm\">在线试听</a></p>\r\n<div class=\"lrc\">" + body +
        "</div>\r\n<!-- Baidu Button BEGIN -->");
}

TEST_F(PageReaderTest, LyricsAreSplitAtBreaksAndHyphens) {
    transport.Serve("http://s:1/geci/123.htm",
                    LyricsPage("[00:01.00]第一 行<BR>\r\n<BR>[00:02.00]歌手-歌名<BR>[00:03]a<br>b<BR>\r\n"));
    RecordingLyrics out;
    FetchLyrics(site, 123, out, out);
    EXPECT_EQ(out.lines,
              (std::vector<Text>{u"[00:01.00]第一行", u"[00:02.00]歌手", u"歌名", u"[00:03]a<br>b"}));
    EXPECT_EQ(out.captions, std::vector<Text>{kFetchingLyrics});
    EXPECT_EQ(out.clears, 1);
    EXPECT_EQ(codec.decodes.back().charset, kCharsetGb2312);
}

TEST_F(PageReaderTest, PagesWithoutLyricsSayNoLyrics) {
    RecordingLyrics out;
    transport.Serve("http://s:1/geci/5.htm", testing::GbkBytes("<p>暂无歌词<a>我要上传歌词</a></p>"));
    FetchLyrics(site, 5, out, out);
    transport.Serve("http://s:1/geci/6.htm", testing::GbkBytes("<h1>无法找到该页</h1>"), 404);
    FetchLyrics(site, 6, out, out);
    EXPECT_TRUE(out.lines.empty());
    EXPECT_EQ(out.captions, (std::vector<Text>{kFetchingLyrics, kNoLyrics, kFetchingLyrics, kNoLyrics}));
}

TEST_F(PageReaderTest, LyricsFailWithoutEndMarkersAndLeaveTheListEmpty) {
    RecordingLyrics out;
    out.lines = {u"old"};
    transport.Serve("http://s:1/geci/1.htm", testing::GbkBytes("歌曲播放：<div>[00:01]a<BR></div>"));
    EXPECT_THROW(FetchLyrics(site, 1, out, out), SiteError);
    EXPECT_TRUE(out.lines.empty());
    EXPECT_EQ(out.captions.back(), kFetchingLyrics);
    EXPECT_THROW(LyricLinesFromPage(u"歌曲播放：<div>[00:01]a BaiduButtonBEGIN"), SiteError);
    EXPECT_THROW(FetchLyrics(site, 2, out, out), SiteError);  // nothing served
}

TEST_F(PageReaderTest, AnEntryWithoutANumberOrAFailedFetchLeavesNoOldLinesAndSaysSo) {
    RecordingLyrics out;
    out.lines = {u"[00:01]old song"};
    EXPECT_FALSE(FetchEntryLyrics(site, u"abc", out, out));
    EXPECT_TRUE(out.lines.empty());
    EXPECT_TRUE(transport.requests.empty());
    out.lines = {u"[00:01]old song"};
    EXPECT_FALSE(FetchEntryLyrics(site, u"8", out, out));  // nothing served
    EXPECT_TRUE(out.lines.empty());
    EXPECT_EQ(out.captions.back(), kLyricsFailed);
    transport.Serve("http://s:1/geci/9.htm", LyricsPage("[00:01]a<BR>"));
    EXPECT_TRUE(FetchEntryLyrics(site, u" 9 ", out, out));
    EXPECT_EQ(out.lines, std::vector<Text>{u"[00:01]a"});
}

TEST_F(PageReaderTest, LyricsCutsKeepTheTextWhenOptionalMarkersAreAbsent) {
    // No "歌曲播放：" and no ">[": everything before </div> is lyrics, CR alone goes, LF stays.
    const auto lines = LyricLinesFromPage(u"a\rb\nc<BR>d</div>BaiduButtonBEGIN");
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<Text>{u"ab\nc", u"d"}));
}

TEST_F(PageReaderTest, SongIdsConvertAsTheirNumbers) {
    EXPECT_EQ(SongIdNumber(u"00123"), 123);
    EXPECT_EQ(SongIdNumber(u" 42 "), 42);
    EXPECT_EQ(SongIdNumber(u"-7"), -7);
    EXPECT_EQ(SongIdNumber(u"2147483647"), 2147483647);
    EXPECT_EQ(SongIdNumber(u"-2147483648"), INT32_MIN);
    EXPECT_FALSE(SongIdNumber(u"2147483648"));
    EXPECT_FALSE(SongIdNumber(u""));
    EXPECT_FALSE(SongIdNumber(u"12a"));
    EXPECT_FALSE(SongIdNumber(u"-"));
    transport.Serve("http://s:1/geci/123.htm", testing::GbkBytes("我要上传歌词"));
    RecordingLyrics out;
    FetchLyrics(site, *SongIdNumber(u"00123"), out, out);
    EXPECT_EQ(transport.requests.back(), "http://s:1/geci/123.htm");
}

}  // namespace
}  // namespace mulan::site
