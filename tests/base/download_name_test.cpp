#include "base/download_name.h"

#include <gtest/gtest.h>

namespace mulan {
namespace {

TEST(DownloadFileName, TakesTheLastPathSegmentWithoutQueryOrFragment) {
    EXPECT_EQ(DownloadFileName(u"http://m/music/1001/1001.mp3"), u"1001.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a/song.mp3?x=/../y.mp3#z"), u"song.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a/song.mp3#part/2"), u"song.mp3");
    EXPECT_EQ(DownloadFileName(u"1002.wav"), u"1002.wav");
}

TEST(DownloadFileName, DecodesPercentEscapesAsUtf8) {
    EXPECT_EQ(DownloadFileName(u"http://m/a/%E5%90%8E%E6%9D%A5.mp3"), u"后来.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a/my%20song.mp3"), u"my song.mp3");
    // GBK bytes are not UTF-8: they stay as written rather than turn into replacement characters.
    EXPECT_EQ(DownloadFileName(u"http://m/a/%BA%F3.mp3"), u"%BA%F3.mp3");
    // Not an escape: kept.
    EXPECT_EQ(DownloadFileName(u"http://m/a/100%.mp3"), u"100%.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a/%zz%4.mp3"), u"%zz%4.mp3");
}

TEST(DownloadFileName, NeverLeadsOutOfTheFolder) {
    EXPECT_EQ(DownloadFileName(u"../../x.mp3"), u"x.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a/..\\..\\x.mp3"), u"x.mp3");
    // Separators that arrive encoded are decoded first and then replaced, never followed.
    EXPECT_EQ(DownloadFileName(u"http://m/a%2F..%2Fb.mp3"), u"a_.._b.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/%2E%2E%5C%2E%2E%5Cwin.ini"), u"_.._win.ini");
    EXPECT_EQ(DownloadFileName(u"http://m/%2E%2E"), u"download");
    EXPECT_EQ(DownloadFileName(u"http://m/c%3A%5Cx.mp3"), u"c__x.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a/c:x*<>|\"?.mp3"), u"c_x_____");
    for (const TextView hostile :
         {u"../../x.mp3", u"a%2F..%2Fb.mp3", u"%5C%5Cserver%5Cshare%5Cx", u"..", u"/"}) {
        EXPECT_TRUE(IsPlainFileName(DownloadFileName(hostile))) << TextToUtf8(hostile);
    }
}

TEST(DownloadFileName, ReplacesControlCharactersAndTrimsDotsAndSpaces) {
    EXPECT_EQ(DownloadFileName(u"http://m/a%0D%0Ab%00.mp3"), u"a__b_.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/a\tb\x7F.mp3"), u"a_b_.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/..hidden. . "), u"hidden");
    EXPECT_EQ(DownloadFileName(u"http://m/%20%20x.mp3%20"), u"x.mp3");
}

TEST(DownloadFileName, FallsBackWhenNothingIsLeft) {
    EXPECT_EQ(DownloadFileName(u""), u"download");
    EXPECT_EQ(DownloadFileName(u"http://m/a/"), u"download");
    EXPECT_EQ(DownloadFileName(u"http://m/a/..."), u"download");
    EXPECT_EQ(DownloadFileName(u"http://m/a/?name=x.mp3"), u"download");
    EXPECT_EQ(DownloadFileName(u"http://m/a/%20%2E"), u"download");
}

TEST(DownloadFileName, PrefixesDeviceNames) {
    EXPECT_EQ(DownloadFileName(u"http://m/CON.mp3"), u"_CON.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/nul"), u"_nul");
    EXPECT_EQ(DownloadFileName(u"http://m/com1.tar.gz"), u"_com1.tar.gz");
    EXPECT_EQ(DownloadFileName(u"http://m/Lpt9.mp3"), u"_Lpt9.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/CON%20.mp3"), u"_CON .mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/conin$"), u"_conin$");
    EXPECT_EQ(DownloadFileName(u"http://m/COM%C2%B9.mp3"), u"_COM\u00B9.mp3");
    // Only the whole stem is a device name.
    EXPECT_EQ(DownloadFileName(u"http://m/CONCERT.mp3"), u"CONCERT.mp3");
    EXPECT_EQ(DownloadFileName(u"http://m/COM10.mp3"), u"COM10.mp3");
    // A marked device name at the length limit stays within it.
    const Text atLimit = DownloadFileName(u"http://m/CON." + Text(kMaxDownloadNameLength, u'x'));
    EXPECT_LE(atLimit.size(), kMaxDownloadNameLength);
    EXPECT_TRUE(atLimit.starts_with(u"_CON."));
    // Cutting a long name can leave a device name behind: the stem's trailing spaces go, the
    // extension stays (found by fuzzing).
    const Text cut = DownloadFileName(u"http://m/COM1" + Text(kMaxDownloadNameLength, u' ') + u"x.mp3");
    EXPECT_EQ(cut, u"_COM1.mp3");
    EXPECT_TRUE(IsPlainFileName(cut));
}

TEST(DownloadFileName, ShortensLongNamesKeepingTheExtension) {
    const Text longStem(500, u'a');
    const Text name = DownloadFileName(u"http://m/" + longStem + u".mp3");
    EXPECT_EQ(name.size(), kMaxDownloadNameLength);
    EXPECT_TRUE(name.ends_with(u"aaa.mp3"));
    // A surrogate pair at the cut is never split.
    Text pairs;
    for (int i = 0; i < 100; ++i) pairs += u"\U0001F3B5";
    const Text cut = DownloadFileName(u"http://m/" + pairs + u".mp3");
    EXPECT_LE(cut.size(), kMaxDownloadNameLength);
    EXPECT_EQ((cut.size() - 4) % 2, 0u);
    EXPECT_TRUE(cut.ends_with(u"\U0001F3B5.mp3"));
    // A very long address in escapes is handled in one pass and stays bounded.
    Text escaped;
    for (int i = 0; i < 100000; ++i) escaped += u"%41";
    EXPECT_EQ(DownloadFileName(u"http://m/" + escaped), Text(kMaxDownloadNameLength, u'A'));
}

TEST(IsPlainFileName, RejectsWhatCouldReachAnotherPlace) {
    EXPECT_TRUE(IsPlainFileName(u"1001.mp3"));
    EXPECT_TRUE(IsPlainFileName(u"后来 的我们.mp3"));
    for (const TextView bad :
         {u"", u".", u"..", u"a/b", u"a\\b", u"c:x", u"CON", u"aux.mp3", u"x.", u"x ", u"a\nb", u"a?b"}) {
        EXPECT_FALSE(IsPlainFileName(bad)) << TextToUtf8(bad);
    }
}

}  // namespace
}  // namespace mulan
