#include "site/fetch_page.h"

#include <gtest/gtest.h>

#include "site/site_fakes.h"

namespace mulan::site {
namespace {

class FetchPageTest : public ::testing::Test {
  protected:
    testing::FakeTransport transport;
    testing::TableCodec codec;
    testing::CountingPump pump;
    SiteAccess site{transport, codec, pump, SiteHosts{u"s", u"q", u"m"}};

    Text Fetch(const std::string& body, std::u16string_view mode, int status = 200) {
        transport.Serve("http://s/p", body, status);
        return FetchPage(site, u"http://s/p", mode);
    }
};

// A page whose marker (in capitals) starts at byte `at`, with GBK bytes for 歌 after it.
std::string PageWithMarkerAt(size_t at) {
    std::string page(at, 'x');
    page += "CHARSET=GB2312";
    page += "\xB8\xE8";
    return page;
}

TEST_F(FetchPageTest, MarkerInTheFirstThousandBytesTakesTheGbkPathInAnyCase) {
    EXPECT_EQ(Fetch(PageWithMarkerAt(986), kCharsetAuto).substr(986), u"CHARSET=GB2312歌");
    ASSERT_EQ(codec.decodes.size(), 2u);
    EXPECT_EQ(codec.decodes[0].length, 1000u);  // the sniffed head
    EXPECT_EQ(codec.decodes[1].charset, kCharsetGb2312);
}

TEST_F(FetchPageTest, MarkerReachingPastByteThousandMeansUtf8) {
    // Starting at 987 the marker's last byte is byte 1001: the head holds only part of it.
    Fetch(PageWithMarkerAt(987), kCharsetAuto);
    ASSERT_EQ(codec.decodes.size(), 2u);
    EXPECT_EQ(codec.decodes[1].charset, kCharsetUtf8);
    codec.decodes.clear();
    const Text late = Fetch(PageWithMarkerAt(2000), kCharsetAuto);
    EXPECT_EQ(codec.decodes.back().charset, kCharsetUtf8);
    EXPECT_EQ(late.back(), u'\uFFFD');  // GBK bytes read as UTF-8
}

TEST_F(FetchPageTest, OnlyTheLiteralGb2312MarkerCounts) {
    Fetch("<meta charset=gbk>\xB8\xE8", kCharsetAuto);
    EXPECT_EQ(codec.decodes.back().charset, kCharsetUtf8);
}

TEST_F(FetchPageTest, EmptyBodyIsEmptyTextInEveryMode) {
    EXPECT_EQ(Fetch("", kCharsetAuto), u"");
    EXPECT_EQ(Fetch("", kCharsetGb2312), u"");
    EXPECT_EQ(Fetch("", u"no-such-charset"), u"");
    EXPECT_TRUE(codec.decodes.empty());
}

TEST_F(FetchPageTest, OtherModesAreCharsetNamesPassedOn) {
    EXPECT_EQ(Fetch("\xB8\xE8", kCharsetGb2312), u"歌");
    EXPECT_EQ(codec.decodes.back().charset, kCharsetGb2312);
    EXPECT_THROW(Fetch("x", u"no-such-charset"), SiteError);
    // "auto" is compared exactly: "AUTO" is a (unknown) character-set name.
    EXPECT_THROW(Fetch("x", u"AUTO"), SiteError);
}

TEST_F(FetchPageTest, ErrorStatusIsAPageAndABrokenExchangeIsAFailure) {
    EXPECT_EQ(Fetch("<h1>not found</h1>", kCharsetAuto, 404), u"<h1>not found</h1>");
    EXPECT_THROW(FetchPage(site, u"http://s/unknown", kCharsetAuto), SiteError);
    EXPECT_EQ(pump.runs, 2);
}

TEST_F(FetchPageTest, AddressIsSentAsAValidRequestTarget) {
    transport.Serve("http://s/play/%201%0A.htm", "ok");
    EXPECT_EQ(FetchPage(site, u"http://s/play/ 1\n.htm", kCharsetAuto), u"ok");
}

}  // namespace
}  // namespace mulan::site
