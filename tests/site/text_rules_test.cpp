#include <gtest/gtest.h>

#include "site/encode_query.h"
#include "site/request_address.h"
#include "site/site_fakes.h"
#include "site/text_cut.h"

namespace mulan::site {
namespace {

TEST(TextCut, AfterMarkerKeepsTheMarkersTailAndAbsentMarkersLeaveTheText) {
    EXPECT_EQ(AfterMarker(u"前找到相关结果共<font>5", u"找到相关结果共"), u"到相关结果共<font>5");
    EXPECT_EQ(AfterMarker(u"abcabc", u"bc"), u"cabc");
    EXPECT_EQ(AfterMarker(u"abc", u"x"), u"abc");
    EXPECT_EQ(AfterFirst(u"a>b>c", u'>'), u"b>c");
    EXPECT_EQ(AfterFirst(u"abc", u'>'), u"abc");
    EXPECT_EQ(BeforeMarker(u"12</font>个 and </font>个", u"</font>个"), u"12");
    EXPECT_EQ(BeforeMarker(u"abc", u"x"), u"abc");
}

TEST(TextCut, MarkersAreCaseSensitive) {
    EXPECT_EQ(BeforeMarker(u"a<br>b<BR>c", u"<BR>"), u"a<br>b");
    EXPECT_FALSE(Contains(u"SOBOTTOM", u"soBottom"));
}

TEST(TextCut, ReplacementIsOnePassFromTheLeft) {
    EXPECT_EQ(RemoveAll(u"</a</a><a><a", u"</a><a"), u"</a><a");
    EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
    EXPECT_EQ(ReplaceAll(u"x", u"", u"y"), u"x");
    EXPECT_EQ(TrimSpaces(u"  a b \t "), u"a b \t");
    EXPECT_EQ(TrimSpaces(u"   "), u"");
}

TEST(EncodeQuery, WorkedExamples) {
    const testing::TableCodec codec;
    EXPECT_EQ(EncodeQuery(u"Hi 歌 9", codec), u"Hi%20%B8%E8%209");
    EXPECT_EQ(EncodeQuery(u"_~&=", codec), u"%5F%7E%26%3D");
    EXPECT_EQ(EncodeQuery(u"\t\n", codec), u"%9%A");
    EXPECT_EQ(EncodeQuery(u"+%", codec), u"%2B%25");
    EXPECT_EQ(EncodeQuery(u"", codec), u"");
}

TEST(EncodeQuery, LettersDigitsAndFourMarksPassUnchanged) {
    const testing::TableCodec codec;
    const Text plain = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-,./";
    EXPECT_EQ(EncodeQuery(plain, codec), plain);
}

TEST(EncodeQuery, CharactersOutsideGbkBecomeQuestionMarks) {
    const testing::TableCodec codec;
    // A character the code page lacks, and each half of an astral character.
    EXPECT_EQ(EncodeQuery(u"\u0E01", codec), u"%3F");
    EXPECT_EQ(EncodeQuery(u"\U0001F3B5", codec), u"%3F%3F");
    EXPECT_EQ(EncodeQuery(u"柳如云", codec), u"%C1%F8%C8%E7%D4%C6");
    EXPECT_EQ(EncodeQuery(Text(1, u'\0'), codec), u"%0");
}

TEST(RequestAddress, OnlyValidCharactersReachTheRequestLine) {
    EXPECT_EQ(RequestAddress(u"http://h:1/so.asp?key=%B8%E8&page=2"), "http://h:1/so.asp?key=%B8%E8&page=2");
    EXPECT_EQ(RequestAddress(u"http://h/play/ 12 .htm"), "http://h/play/%2012%20.htm");
    EXPECT_EQ(RequestAddress(u"http://h/play/1\r\nHost: x.htm"), "http://h/play/1%0D%0AHost:%20x.htm");
    EXPECT_EQ(RequestAddress(u"http://h/a\"<>#{}|\\^`\x7F歌"),
              "http://h/a%22%3C%3E%23%7B%7D%7C%5C%5E%60%7F%E6%AD%8C");
}

}  // namespace
}  // namespace mulan::site
