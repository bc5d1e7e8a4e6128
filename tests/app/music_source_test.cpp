#include "app/music_source.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

using Kind = MusicSource::Kind;

TEST(SiteHostsTest, ASiteIsItsPagesAndTheNextTwoPorts) {
    EXPECT_EQ(site::SiteHosts::At(u"192.168.1.5"),
              (site::SiteHosts{u"192.168.1.5:18080", u"192.168.1.5:18081", u"192.168.1.5:18082"}));
    EXPECT_EQ(site::SiteHosts::At(u"nas.local:9000"),
              (site::SiteHosts{u"nas.local:9000", u"nas.local:9001", u"nas.local:9002"}));
    EXPECT_EQ(site::SiteHosts::At(u"[::1]:8080"),
              (site::SiteHosts{u"[::1]:8080", u"[::1]:8081", u"[::1]:8082"}));
    EXPECT_EQ(site::SiteHosts::At(u"[fe80::1]")->media, u"[fe80::1]:18082");
    EXPECT_EQ(site::SiteHosts::Local().search, u"127.0.0.1:18081");
    // No port that leaves room for the next two, no port at all after a colon, no host, a path,
    // a bare v6 address: nothing.
    for (const TextView bad :
         {u"h:65534", u"h:0", u"h:", u"h:80a", u":80", u"", u"h/x:80", u"::1", u"h:123456"})
        EXPECT_EQ(site::SiteHosts::At(bad), std::nullopt) << TextToUtf8(bad);
    EXPECT_TRUE(site::SiteHosts::At(u"h:65533"));
}

TEST(MusicSourceTest, TheCommandLineNamesASiteOrFolders) {
    EXPECT_EQ(ParseSourceArguments({}).source, std::nullopt);
    EXPECT_TRUE(ParseSourceArguments({}).error.empty());
    const auto site = ParseSourceArguments({u"--site", u"127.0.0.2:19080"});
    ASSERT_TRUE(site.source);
    EXPECT_EQ(site.source->kind, Kind::Site);
    EXPECT_EQ(site.source->hosts.media, u"127.0.0.2:19082");
    const auto laidOut = ParseSourceArguments(
        {u"--media-host", u"cdn:80", u"--site", u"pages:81", u"--search-host", u"so:82"});
    ASSERT_TRUE(laidOut.source);
    EXPECT_EQ(laidOut.source->hosts, (site::SiteHosts{u"pages:81", u"so:82", u"cdn:80"}));
    const auto folders = ParseSourceArguments({u"--library", u"D:\\Music", u"--library", u"E:\\歌"});
    ASSERT_TRUE(folders.source);
    EXPECT_EQ(folders.source->kind, Kind::ThisComputer);
    EXPECT_EQ(folders.source->folders, (std::vector<Text>{u"D:\\Music", u"E:\\歌"}));
}

// A command line that cannot be followed is said, never half followed.
TEST(MusicSourceTest, ACommandLineThatCannotBeFollowedIsSaid) {
    for (const std::vector<Text>& args :
         std::vector<std::vector<Text>>{{u"--site"},
                                        {u"--site", u"h:99999"},
                                        {u"--search-host", u"s:1"},
                                        {u"--site", u"h", u"--library", u"D:\\"},
                                        {u"--library", u""},
                                        {u"--sitee", u"h"},
                                        {u"h"}}) {
        const auto parsed = ParseSourceArguments(args);
        EXPECT_EQ(parsed.source, std::nullopt);
        EXPECT_FALSE(parsed.error.empty()) << TextToUtf8(args[0]);
    }
    EXPECT_EQ(ParseSourceArguments({u"--sitee", u"h"}).error, u"不认识的命令行参数：“--sitee”");
}

TEST(MusicSourceTest, TheCommandLineWinsThenWhatIsStoredThenThisComputer) {
    const MusicSource stored{Kind::Site, {}, *site::SiteHosts::At(u"nas")};
    const MusicSource given{Kind::Site, {}, *site::SiteHosts::At(u"127.0.0.2")};
    EXPECT_EQ(ChooseSource(given, stored), given);
    EXPECT_EQ(ChooseSource(std::nullopt, stored), stored);
    EXPECT_EQ(ChooseSource(std::nullopt, std::nullopt).kind, Kind::ThisComputer);
    const site::SiteHosts own{u"own", u"own-search", u"own-media"};
    EXPECT_EQ(HostsOf(stored, own).site, u"nas:18080");
    EXPECT_EQ(HostsOf(MusicSource{}, own), own);
}

// The Music folder comes first and once; a command line's folders replace it for the run.
TEST(MusicSourceTest, TheLibraryReadsTheMusicFolderAndTheUsersOrOnlyTheGivenOnes) {
    const MusicSource mine{Kind::ThisComputer, {u"D:\\歌", u"C:\\Music"}, {}};
    EXPECT_EQ(LibraryFolders(mine, u"C:\\Music", false), (std::vector<Text>{u"C:\\Music", u"D:\\歌"}));
    EXPECT_EQ(LibraryFolders(mine, u"C:\\Music", true), (std::vector<Text>{u"D:\\歌", u"C:\\Music"}));
    EXPECT_EQ(LibraryFolders(MusicSource{}, u"", false), std::vector<Text>{});
    const MusicSource site{Kind::Site, {u"D:\\歌"}, *site::SiteHosts::At(u"nas")};
    EXPECT_EQ(LibraryFolders(site, u"C:\\Music", false), std::vector<Text>{});
}

}  // namespace
}  // namespace mulan::app
