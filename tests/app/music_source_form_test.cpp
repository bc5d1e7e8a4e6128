#include "app/music_source_form.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

using Kind = MusicSource::Kind;
constexpr TextView kMusic = u"C:\\Users\\lan\\Music";

MusicSource Computer(std::vector<Text> folders) {
    return MusicSource{Kind::ThisComputer, std::move(folders), {}};
}

TEST(MusicSourceFormTest, TheMusicFolderComesFirstAndStays) {
    MusicSourceForm form(Computer({u"D:\\歌", u"E:\\Music\\"}), Text(kMusic));
    EXPECT_EQ(form.kind(), Kind::ThisComputer);
    ASSERT_EQ(form.Folders(), (std::vector<Text>{Text(kMusic), u"D:\\歌", u"E:\\Music"}));
    EXPECT_FALSE(form.CanRemove(0));
    EXPECT_FALSE(form.RemoveFolder(0));
    EXPECT_FALSE(form.RemoveFolder(3));
    EXPECT_TRUE(form.RemoveFolder(1));
    EXPECT_EQ(form.Folders(), (std::vector<Text>{Text(kMusic), u"E:\\Music"}));
    const auto outcome = form.Validate();
    ASSERT_TRUE(outcome.source);
    EXPECT_TRUE(outcome.error.empty());
    // The Music folder is the default: never stored among the added ones.
    EXPECT_EQ(*outcome.source, Computer({u"E:\\Music"}));

    // Without a Music folder every folder can go.
    MusicSourceForm bare(Computer({u"D:\\a"}), u"");
    EXPECT_EQ(bare.Folders(), std::vector<Text>{u"D:\\a"});
    EXPECT_TRUE(bare.RemoveFolder(0));
    EXPECT_TRUE(bare.Folders().empty());
}

TEST(MusicSourceFormTest, AFolderAlreadyReadIsRefusedWithAReason) {
    MusicSourceForm form(Computer({u"D:\\Music"}), Text(kMusic));
    // The same folder in another spelling, or one inside a listed one (the Music folder too).
    for (const TextView again : {u"D:\\Music", u"d:/music/", u" D:\\MUSIC ", u"D:\\Music\\Pop",
                                 u"c:\\users\\lan\\music\\周杰伦", u""}) {
        const Text reason = form.AddFolder(again);
        EXPECT_FALSE(reason.empty()) << TextToUtf8(again);
    }
    EXPECT_NE(form.AddFolder(u"D:\\Music\\Pop").find(u"D:\\Music"), Text::npos);
    EXPECT_EQ(form.Folders().size(), 2u);
    // A name that only starts like a listed folder is another folder.
    EXPECT_EQ(form.AddFolder(u"D:\\Music2"), u"");
    EXPECT_EQ(form.AddFolder(u"\\\\nas\\share\\歌曲"), u"");
    // A folder holding added ones replaces them; the Music folder stays where it is.
    EXPECT_EQ(form.AddFolder(u"D:\\"), u"");
    EXPECT_EQ(form.Folders(), (std::vector<Text>{Text(kMusic), u"\\\\nas\\share\\歌曲", u"D:\\"}));
    EXPECT_EQ(form.AddFolder(u"C:\\"), u"");
    EXPECT_EQ(form.Folders().front(), kMusic);
    EXPECT_FALSE(form.AddFolder(u"D:\\x").empty());
}

TEST(MusicSourceFormTest, ASiteAddressIsCheckedWhenConfirmed) {
    MusicSourceForm form(Computer({u"D:\\a"}), Text(kMusic));
    form.SetKind(Kind::Site);
    for (const TextView bad : {u"", u"   ", u"nas:65535", u"nas:abc", u"http://nas/x", u"::1", u"a b"}) {
        form.SetAddress(bad);
        const auto outcome = form.Validate();
        EXPECT_FALSE(outcome.source) << TextToUtf8(bad);
        EXPECT_NE(outcome.error.find(u"192.168.1.5:18080"), Text::npos) << TextToUtf8(bad);
    }
    form.SetAddress(u"nas:65535");
    EXPECT_EQ(form.Validate().error.rfind(u"音乐网站地址无效：“nas:65535”", 0), 0u);

    for (const auto& [typed, pages] :
         std::vector<std::pair<Text, Text>>{{u" 192.168.1.5:18080 ", u"192.168.1.5:18080"},
                                            {u"nas", u"nas:18080"},
                                            {u"HTTP://nas:9000/", u"nas:9000"},
                                            {u"[::1]:9000", u"[::1]:9000"}}) {
        form.SetAddress(typed);
        const auto outcome = form.Validate();
        ASSERT_TRUE(outcome.source) << TextToUtf8(typed);
        EXPECT_EQ(outcome.source->kind, Kind::Site);
        EXPECT_EQ(outcome.source->hosts.site, pages);
        // The folders are not forgotten while a site is used.
        EXPECT_EQ(outcome.source->folders, std::vector<Text>{u"D:\\a"});
    }
    // Back to this computer: the address no longer matters.
    form.SetAddress(u"nonsense:x");
    form.SetKind(Kind::ThisComputer);
    ASSERT_TRUE(form.Validate().source);
    EXPECT_EQ(form.Validate().source->kind, Kind::ThisComputer);
}

TEST(MusicSourceFormTest, AStoredSiteLaidOutItsOwnWayIsKeptUnlessItsAddressChanges) {
    const site::SiteHosts own{u"pages:81", u"so:82", u"cdn:80"};
    const MusicSource stored{Kind::Site, {}, own};
    MusicSourceForm form(stored, Text(kMusic));
    EXPECT_EQ(form.kind(), Kind::Site);
    EXPECT_EQ(form.address(), u"pages:81");
    ASSERT_TRUE(form.Validate().source);
    EXPECT_EQ(*form.Validate().source, stored);
    // Blanks around it are no change.
    form.SetAddress(u" pages:81 ");
    EXPECT_EQ(form.Validate().source->hosts, own);
    // A visit to the other kind and back keeps it too.
    form.SetKind(Kind::ThisComputer);
    form.SetKind(Kind::Site);
    EXPECT_EQ(form.Validate().source->hosts, own);
    form.SetAddress(u"pages:90");
    EXPECT_EQ(form.Validate().source->hosts, *site::SiteHosts::At(u"pages:90"));
    form.SetAddress(u"pages:81");
    EXPECT_EQ(form.Validate().source->hosts, own);
}

}  // namespace
}  // namespace mulan::app
