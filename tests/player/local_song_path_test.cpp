#include <gtest/gtest.h>

#include <optional>

#include "player/local_song_path.h"

namespace mulan::player {
namespace {

TEST(LocalSongPath, WindowsPathsNameTheirFile) {
    EXPECT_EQ(LocalSongPath(u"C:\\Music\\a.mp3"), Text(u"C:\\Music\\a.mp3"));
    EXPECT_EQ(LocalSongPath(u"d:/Music/歌手/a b.mp3"), Text(u"d:\\Music\\歌手\\a b.mp3"));
    EXPECT_EQ(LocalSongPath(u"\\\\server\\share\\a.mp3"), Text(u"\\\\server\\share\\a.mp3"));
    EXPECT_EQ(LocalSongPath(u"\\\\?\\C:\\Music\\a.mp3"), Text(u"\\\\?\\C:\\Music\\a.mp3"));
}

TEST(LocalSongPath, FileUrlsAreDecodedAsUtf8) {
    EXPECT_EQ(LocalSongPath(u"file:///C:/Music/a%20b.mp3"), Text(u"C:\\Music\\a b.mp3"));
    EXPECT_EQ(LocalSongPath(u"FILE:///C:/%E6%B2%90%E5%B2%9A/%e6%ad%8c.mp3"), Text(u"C:\\沐岚\\歌.mp3"));
    EXPECT_EQ(LocalSongPath(u"file:///C:/歌/100%.mp3"), Text(u"C:\\歌\\100%.mp3"));
    EXPECT_EQ(LocalSongPath(u"file://localhost/C:/a.mp3"), Text(u"C:\\a.mp3"));
    EXPECT_EQ(LocalSongPath(u"file://server/share/a%23.mp3?x=1"), Text(u"\\\\server\\share\\a#.mp3"));
}

TEST(LocalSongPath, EverythingElseGoesToTheServer) {
    for (const TextView address :
         {u"http://media/music/1.mp3", u"https://media/a.mp3", u"music/1.mp3", u"a.mp3", u"C:a.mp3", u"C:",
          u"//server/share/a.mp3", u"\\\\", u"", u"file:", u"file:/C:/a.mp3", u"file:///", u"file:///a.mp3",
          u"file://server", u"file:///C:/a%00.mp3"}) {
        EXPECT_EQ(LocalSongPath(address), std::nullopt) << TextToUtf8(address);
    }
    // A NUL inside the address would make the system open another file than the one named.
    EXPECT_EQ(LocalSongPath(TextView(u"C:\\a.mp3\0.txt", 14)), std::nullopt);
}

}  // namespace
}  // namespace mulan::player
