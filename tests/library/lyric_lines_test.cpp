#include "library/lyric_lines.h"

#include <gtest/gtest.h>

#include <fstream>

#include "library/library_fixtures.h"

#ifdef _WIN32
#include "site/windows_codec_win32.h"
#else
#include "site/iconv_codec_linux.h"
#endif

namespace mulan::library {
namespace {

#ifdef _WIN32
using TestCodec = site::WindowsCodec;
#else
using TestCodec = site::IconvCodec;
#endif

using Lines = std::vector<std::string>;
using namespace std::string_view_literals;

TEST(LyricLines, TimeTagRoundsToHundredthsHalfToEven) {
    EXPECT_EQ(TimeTag(0), "[00:00.00]");
    EXPECT_EQ(TimeTag(0.5), "[00:00.50]");
    EXPECT_EQ(TimeTag(61.234), "[01:01.23]");
    EXPECT_EQ(TimeTag(59.999), "[01:00.00]");
    EXPECT_EQ(TimeTag(0.125), "[00:00.12]");  // 12.5 hundredths: half to even, as Python's round
    EXPECT_EQ(TimeTag(0.375), "[00:00.38]");
    EXPECT_EQ(TimeTag(6000), "[100:00.00]");
    EXPECT_EQ(TimeTag(-3), "[00:00.00]");
    EXPECT_EQ(TimeTag(std::nan("")), "[00:00.00]");
    EXPECT_EQ(TimeTag(1e300), "[999:59.99]");
}

TEST(LyricLines, UntimedLinesAreSpreadOverTheSong) {
    EXPECT_EQ(LinesFromText("一\n\n  二  \r\n三\r", 9),
              (Lines{"[00:00.00]一", "[00:03.00]二", "[00:06.00]三"}));
    // Unknown length: 4 s apart.
    EXPECT_EQ(LinesFromText("a\nb", 0), (Lines{"[00:00.00]a", "[00:04.00]b"}));
    EXPECT_EQ(LinesFromText("a\nb", -1), (Lines{"[00:00.00]a", "[00:04.00]b"}));
    // Every line break Python's splitlines knows; NUL characters go; Unicode white space is stripped.
    EXPECT_EQ(LinesFromText("a\x0B"
                            "b\x0C"
                            "c\xE2\x80\xA8"
                            "d\xC2\x85"
                            "e",
                            0)
                  ->size(),
              5u);
    EXPECT_EQ(LinesFromText("\xE3\x80\x80 x\0y \xC2\xA0"sv, 0), (Lines{"[00:00.00]xy"}));
    // Invalid UTF-8 is replaced.
    EXPECT_EQ(LinesFromText("a\xFF", 0), (Lines{"[00:00.00]a\xEF\xBF\xBD"}));
}

TEST(LyricLines, TimedTextIsKeptAsItIs) {
    EXPECT_EQ(LinesFromText("[ti:Song]\n[00:01.00]一\n\n[00:02.50]二\n", 100),
              (Lines{"[ti:Song]", "[00:01.00]一", "[00:02.50]二"}));
    // One timed line is enough; [m:s] and [mm:ss:xx] count as times.
    EXPECT_EQ(LinesFromText("plain\n[1:2]x", 10), (Lines{"plain", "[1:2]x"}));
    EXPECT_EQ(LinesFromText("plain\n[123:45:678]x", 10), (Lines{"plain", "[123:45:678]x"}));
    // Not times: too many digits, no seconds, a letter.
    EXPECT_EQ(LinesFromText("[1234:00]x", 0), (Lines{"[00:00.00][1234:00]x"}));
    EXPECT_EQ(LinesFromText("[12:]x", 0), (Lines{"[00:00.00][12:]x"}));
    EXPECT_EQ(LinesFromText("[00:01.x]x", 0), (Lines{"[00:00.00][00:01.x]x"}));
}

TEST(LyricLines, NoLinesOrOversizeTextIsNoLyrics) {
    EXPECT_EQ(LinesFromText("", 10), std::nullopt);
    EXPECT_EQ(LinesFromText(" \n\t\r\n\xE3\x80\x80", 10), std::nullopt);
    std::string big(kMaxLyricsBytes, 'x');
    EXPECT_TRUE(LinesFromText(big, 10).has_value());
    big += 'x';
    EXPECT_EQ(LinesFromText(big, 10), std::nullopt);
}

TEST(LyricLines, TimedEntriesComeInTimeOrderKeepingTiesInOrder) {
    const auto lines =
        LinesFromTimed({{"第三", 2.5}, {"第一", 0.5}, {"同时甲", 1.5}, {"同时乙\n第二行", 1.5}, {"  ", 0.1}});
    EXPECT_EQ(lines, (Lines{"[00:00.50]第一", "[00:01.50]同时甲", "[00:01.50]同时乙", "[00:01.50]第二行",
                            "[00:02.50]第三"}));
    EXPECT_EQ(LinesFromTimed({}), std::nullopt);
    EXPECT_EQ(LinesFromTimed({{"", 1}, {" \n ", 2}}), std::nullopt);
    // Not-a-number times count as 0, negative ones come first.
    EXPECT_EQ(LinesFromTimed({{"x", std::nan("")}, {"y", -1}, {"z", 0}}),
              (Lines{"[00:00.00]y", "[00:00.00]x", "[00:00.00]z"}));
    // Oversize together: ignored.
    const std::string half(kMaxLyricsBytes / 2 + 1, 'x');
    EXPECT_EQ(LinesFromTimed({{half, 1}, {half, 2}}), std::nullopt);
}

class LyricLinesFile : public ::testing::Test {
  protected:
    testing::TemporaryFolder folder;
    TestCodec codec;

    std::filesystem::path Write(std::string_view name, std::string_view bytes) {
        const auto path = folder / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

TEST_F(LyricLinesFile, ReadsUtf8WithOrWithoutMarkElseGbk) {
    EXPECT_EQ(
        ReadLrcFile(Write("a.lrc", "\xEF\xBB\xBF[00:00.30]来自LRC文件\r\n\r\n  [00:00.90]第二行  \n"), codec),
        (Lines{"[00:00.30]来自LRC文件", "[00:00.90]第二行"}));
    EXPECT_EQ(ReadLrcFile(Write("b.lrc", "[ar:歌手]\n[00:01.00]歌词"), codec),
              (Lines{"[ar:歌手]", "[00:01.00]歌词"}));
    // "[00:01.00]后来" in GBK; untimed lines are kept as they are (the file is the page's text).
    EXPECT_EQ(ReadLrcFile(Write("c.lrc", "[00:01.00]\xBA\xF3\xC0\xB4\nplain \xB8\xE8"), codec),
              (Lines{"[00:01.00]后来", "plain 歌"}));
    // Neither: what GBK cannot read is replaced.
    EXPECT_EQ(ReadLrcFile(Write("d.lrc", "ok\n\xFF\xFF"), codec), (Lines{"ok", "\xEF\xBF\xBD\xEF\xBF\xBD"}));
    // A Chinese file name.
    EXPECT_EQ(ReadLrcFile(Write("后来.lrc", "x"), codec), (Lines{"x"}));
}

TEST_F(LyricLinesFile, EmptyMissingOrOversizeFilesHaveNoLines) {
    EXPECT_EQ(ReadLrcFile(Write("empty.lrc", ""), codec), std::nullopt);
    EXPECT_EQ(ReadLrcFile(Write("blank.lrc", "\xEF\xBB\xBF \r\n\t\n"), codec), std::nullopt);
    EXPECT_EQ(ReadLrcFile(folder / "missing.lrc", codec), std::nullopt);
    EXPECT_EQ(ReadLrcFile(folder.path(), codec), std::nullopt);  // a folder
    std::string most(kMaxLrcBytes, 'x');
    most[0] = 'y';
    EXPECT_EQ(ReadLrcFile(Write("most.lrc", most), codec), (Lines{most}));
    EXPECT_EQ(ReadLrcFile(Write("big.lrc", most + "\n"), codec), std::nullopt);
}

}  // namespace
}  // namespace mulan::library
