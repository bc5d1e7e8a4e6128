#include "library/lyric_lines.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>

#include "library/library_fixtures.h"

#include "site_server/server_codec.h"

namespace mulan::library {
namespace {

using TestCodec = site_server::testing::ServerCodec;

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

struct Case {
    const char* name;
    std::string_view text;
    std::optional<Lines> lines;
};

void ExpectCases(std::initializer_list<Case> cases, double duration = 0) {
    for (const Case& c : cases) EXPECT_EQ(LinesFromText(c.text, duration), c.lines) << c.name;
}

TEST(LyricLines, EveryTimeTagDialectBecomesOneTagPerLine) {
    ExpectCases({
        {"m:s", "[1:2]a", Lines{"[01:02.00]a"}},
        {"mm:ss", "[00:07]a", Lines{"[00:07.00]a"}},
        {"mm:ss:xx", "[00:01:50]a", Lines{"[00:01.50]a"}},
        {"one fraction digit is tenths", "[0:01.5]a", Lines{"[00:01.50]a"}},
        {"two are hundredths", "[00:01.05]a", Lines{"[00:01.05]a"}},
        {"three are rounded", "[00:01.123]a\n[00:01.126]b", Lines{"[00:01.12]a", "[00:01.13]b"}},
        {"half to even", "[00:01.125]a\n[00:01.135]b", Lines{"[00:01.12]a", "[00:01.14]b"}},
        {"three minute digits", "[123:45:678]x", Lines{"[123:45.68]x"}},
        {"seconds past 59 count on", "[01:75.00]x", Lines{"[02:15.00]x"}},
        {"the latest time there is", "[999:99.999]x", Lines{"[999:59.99]x"}},
        {"white space around and between tags", "  [00:02.00] [00:01.00]\t x  ",
         Lines{"[00:01.00]x", "[00:02.00]x"}},
        {"a bracket that is no time stays text", "[00:01.00][Chorus]x", Lines{"[00:01.00][Chorus]x"}},
        {"a UTF-8 mark first", "\xEF\xBB\xBF[00:01.00]x", Lines{"[00:01.00]x"}},
    });
}

TEST(LyricLines, TimedLinesAreSortedStablySoTranslationsFollowTheirOriginal) {
    ExpectCases({
        {"a chorus under several tags, repeated at each", "[00:05.00][00:01.00]副歌\n[00:03.00]主歌",
         Lines{"[00:01.00]副歌", "[00:03.00]主歌", "[00:05.00]副歌"}},
        {"translation on the line after", "[00:02.00]原文\n[00:02.00]original\n[00:01.00]第一",
         Lines{"[00:01.00]第一", "[00:02.00]原文", "[00:02.00]original"}},
        {"translation as a second block", "[00:01.00]一\n[00:02.00]二\n[00:01.00]one\n[00:02.00]two",
         Lines{"[00:01.00]一", "[00:01.00]one", "[00:02.00]二", "[00:02.00]two"}},
        // A line without a time would never be shown; given the time before, it would hide that line.
        {"untimed lines among timed ones go", "intro\n[00:01.00]a\nplain\n[00:02.00]b",
         Lines{"[00:01.00]a", "[00:02.00]b"}},
    });
}

TEST(LyricLines, HeaderTagsAreNeverLinesAndOffsetMovesEveryTime) {
    ExpectCases({
        {"headers",
         "[ti:歌名]\n[ar:歌手]\n[al:专辑]\n[by:某人]\n[length:03:20]\n[re:tool]\n[ve:1.0]\n[au:作者]\n"
         "[#:comment]\n[tool:x]\n[00:01.00]词",
         Lines{"[00:01.00]词"}},
        {"positive offset shows lines earlier", "[offset:500]\n[00:01.00]a", Lines{"[00:00.50]a"}},
        {"with a plus sign", "[offset:+500]\n[00:01.00]a", Lines{"[00:00.50]a"}},
        {"negative later", "[offset:-250]\n[00:01.00]a", Lines{"[00:01.25]a"}},
        {"spaces and case", "[Offset: 20 ]\n[00:01.00]a", Lines{"[00:00.98]a"}},
        {"offset after the lines", "[00:01.00]a\n[offset:1000]", Lines{"[00:00.00]a"}},
        {"clamped at 0, order kept", "[offset:5000]\n[00:03.00]a\n[00:01.00]b\n[00:09.00]c",
         Lines{"[00:00.00]a", "[00:00.00]b", "[00:04.00]c"}},
        {"the first valid offset", "[offset:abc]\n[offset:100]\n[offset:900]\n[00:01.00]a",
         Lines{"[00:00.90]a"}},
        {"huge offsets", "[offset:-99999999999999999999999]\n[00:01.00]a", Lines{"[999:59.99]a"}},
        {"huge offsets", "[offset:99999999999999999999999]\n[00:01.00]a", Lines{"[00:00.00]a"}},
        {"headers only", "[ti:x]\n[ar:y]\n[offset:1]", std::nullopt},
        // Untimed lyrics keep their times spread over the song, without the headers.
        {"untimed", "[ti:歌]\n一\n[ar:x]\n二", Lines{"[00:00.00]一", "[00:04.00]二"}},
    });
}

TEST(LyricLines, WordTimingAndPerWordTagsLeaveTheText) {
    ExpectCases({
        {"word timing", "[00:01.00]<00:01.00>你 <00:01.50>好 <00:02.00>", Lines{"[00:01.00]你 好"}},
        {"word timing inside words", "[00:01.00]<00:01.00>Hel<00:01.20>lo <00:01.50>world<00:02.00>",
         Lines{"[00:01.00]Hello world"}},
        {"per-word tags", "[00:01.00]Hel[00:01.20]lo [00:01.50] world", Lines{"[00:01.00]Hello world"}},
        {"wide spaces", "[00:01.00]你　<00:01.50>　好", Lines{"[00:01.00]你　好"}},
        {"a tag that only closes once another is gone", "[00:01.00]a[00:0<00:02.00>3.00]b",
         Lines{"[00:01.00]ab"}},
        {"not times", "[00:01.00]<3 <b>x</b> [x:1] <0:1.2345> [00:1",
         Lines{"[00:01.00]<3 <b>x</b> [x:1] <0:1.2345> [00:1"}},
        {"untimed text too", "a <00:01.00>b", Lines{"[00:00.00]a b"}},
    });
}

// A timed line left without text ends the line before it: the player (which shows what follows the
// last "]") then shows nothing until the next line, instead of the last words through an instrumental.
// In a second that has a line with text it would hide that line, so there it goes.
TEST(LyricLines, ALineWithoutTextClearsUnlessItWouldHideAnother) {
    ExpectCases({
        {"kept", "[00:01.00]a\n[00:03.00]\n[00:05.00]b", Lines{"[00:01.00]a", "[00:03.00]", "[00:05.00]b"}},
        {"word timing only", "[00:01.00]a\n[00:03.00]<00:03.00>  ", Lines{"[00:01.00]a", "[00:03.00]"}},
        {"same second as a line after", "[00:01.00]a\n[00:02.10]\n[00:02.90]b",
         Lines{"[00:01.00]a", "[00:02.90]b"}},
        {"same second as a line before", "[00:01.10]a\n[00:01.90]\n[00:03.00]b",
         Lines{"[00:01.10]a", "[00:03.00]b"}},
        {"no text anywhere", "[00:01.00]\n[00:02.00]<00:02.00>", std::nullopt},
    });
}

TEST(LyricLines, HostileTextEndsQuicklyWithinItsBounds) {
    // Minutes beyond three digits are no time: the text is untimed.
    ExpectCases({
        {"huge minutes", "[99999999999999999999:00]x", Lines{"[00:00.00][99999999999999999999:00]x"}},
        {"unterminated", "[00:01.00]a[\n[00:0\n[ti:abc\n<00:01", Lines{"[00:01.00]a["}},
        {"invalid UTF-8", "[00:01.00]\xFF\xC0 x", Lines{"[00:01.00]\xEF\xBF\xBD\xEF\xBF\xBD x"}},
    });
    // Thousands of tags on one line: a line each.
    std::string many;
    for (int i = 0; i < 20000; ++i) many += TimeTag(i);
    const auto lines = LinesFromText(many + "x", 0);
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 20000u);
    EXPECT_EQ(lines->front(), "[00:00.00]x");
    EXPECT_EQ(lines->back(), "[333:19.00]x");
    // As many tags before a long text: the lines stop at kMaxLinesBytes.
    std::string tags;
    for (int i = 0; i < 5000; ++i) tags += "[0:1]";
    const std::string text(kMaxLyricsBytes - tags.size(), 'x');
    const auto capped = LinesFromText(tags + text, 0);
    ASSERT_TRUE(capped.has_value());
    EXPECT_EQ(capped->size(), kMaxLinesBytes / (text.size() + 10));
    EXPECT_EQ(capped->front(), "[00:01.00]" + text);
    // Openers without end, and tags that nearly close, all through a text.
    std::string openers = "[00:01.00]";
    while (openers.size() < kMaxLyricsBytes - 20) openers += "[<[00:01.0<00:01.]>";
    EXPECT_EQ(LinesFromText(openers, 0)->size(), 1u);
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

// text in UTF-16 with its byte order mark.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST_F(LyricLinesFile, ReadsUtf8WithOrWithoutMarkUtf16WithMarkElseGbk) {
    const Lines song{"[00:01.00]后来", "[00:02.00]𝄞 终于", "[00:03.00]后来"};
    const std::u16string_view text = u"[ti:后来]\r\n[00:01.00][00:03.00]后来\r\n\r\n[00:02.00]𝄞 终于\r\n";
    struct {
        const char* name;
        std::string bytes;
        std::optional<Lines> lines;
    } const cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF[ti:后来]\r\n[00:01.00][00:03.00]后来\r\n\r\n  [00:02.00]𝄞 终于  \n",
         song},
        {"UTF-8", "[ar:歌手]\n[00:01.00][00:03.00]后来\n[00:02.00]𝄞 终于", song},
        {"UTF-16 LE", Utf16(text, false), song},
        {"UTF-16 BE", Utf16(text, true), song},
        // A lone surrogate and an odd last byte are replaced.
        {"UTF-16 LE broken",
         Utf16(u"[00:01.00]a\xD800"
               u"b",
               false) +
             "x",
         Lines{"[00:01.00]a\xEF\xBF\xBD"
               "b\xEF\xBF\xBD"}},
        {"UTF-16 BE broken", Utf16(u"[00:01.00]\xDC00\xD800", true),
         Lines{"[00:01.00]\xEF\xBF\xBD\xEF\xBF\xBD"}},
        // "[offset:500]", "[00:02.00][00:04.00]后来", "plain 歌" in GBK; the untimed line goes.
        {"GBK", "[offset:500]\r\n[00:02.00][00:04.00]\xBA\xF3\xC0\xB4\nplain \xB8\xE8",
         Lines{"[00:01.50]后来", "[00:03.50]后来"}},
        // Neither: what GBK cannot read is replaced.
        {"neither", "ok\n\xFF\xFF", Lines{"[00:00.00]ok", "[00:04.00]\xEF\xBF\xBD\xEF\xBF\xBD"}},
        // With a UTF-8 mark the text is UTF-8 even where it is broken.
        {"broken UTF-8 with mark", "\xEF\xBB\xBF[00:01.00]a\xBA\xF3",
         Lines{"[00:01.00]a\xEF\xBF\xBD\xEF\xBF\xBD"}},
        {"marks only", "\xFF\xFE", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadLrcFile(Write(std::string(c.name) + ".lrc", c.bytes), codec), c.lines) << c.name;
        EXPECT_EQ(LinesFromLrc(c.bytes, codec), c.lines) << c.name;
    }
    // A Chinese file name; untimed lines spread over the song's length when it is known.
    EXPECT_EQ(ReadLrcFile(Write("后来.lrc", "一\n二"), codec, 8), (Lines{"[00:00.00]一", "[00:04.00]二"}));
}

TEST_F(LyricLinesFile, EmptyMissingOrOversizeFilesHaveNoLines) {
    EXPECT_EQ(ReadLrcFile(Write("empty.lrc", ""), codec), std::nullopt);
    EXPECT_EQ(ReadLrcFile(Write("blank.lrc", "\xEF\xBB\xBF \r\n\t\n"), codec), std::nullopt);
    EXPECT_EQ(ReadLrcFile(folder / "missing.lrc", codec), std::nullopt);
    EXPECT_EQ(ReadLrcFile(folder.path(), codec), std::nullopt);  // a folder
    std::string most(kMaxLrcBytes, 'x');
    most[0] = 'y';
    EXPECT_EQ(ReadLrcFile(Write("most.lrc", most), codec), (Lines{"[00:00.00]" + most}));
    EXPECT_EQ(ReadLrcFile(Write("big.lrc", most + "\n"), codec), std::nullopt);
}

}  // namespace
}  // namespace mulan::library
