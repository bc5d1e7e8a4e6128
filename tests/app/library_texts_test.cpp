#include "app/library_texts.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

// The panel moves by whole per cent and never past the end, whatever the counts say.
TEST(LibraryTexts, ProgressReadyAndEmptyLibraryAreSaidInTheirOwnWords) {
    EXPECT_EQ(LibraryProgressText(0, 0), u"正在查找音乐文件…");
    EXPECT_EQ(LibraryProgressText(0, 2000), u"整理曲库 0%");
    EXPECT_EQ(LibraryProgressText(1999, 2000), u"整理曲库 99%");
    EXPECT_EQ(LibraryProgressText(2500, 2000), u"整理曲库 100%");
    EXPECT_EQ(LibraryReadyText(2000), u"曲库整理完成：共 2000 首");
    const Text empty = NoMusicText({u"C:\\Users\\u\\Music", u"D:\\歌"});
    EXPECT_NE(empty.find(u"C:\\Users\\u\\Music、D:\\歌"), Text::npos);
    EXPECT_NE(empty.find(u"音乐来源…"), Text::npos);
    EXPECT_NE(SiteSilentText(u"nas:18080").find(u"nas:18080"), Text::npos);
}

}  // namespace
}  // namespace mulan::app
