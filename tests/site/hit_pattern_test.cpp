#include "site/hit_pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

namespace mulan::site {
namespace {

Text Wide(std::string_view ascii) {
    return Text(ascii.begin(), ascii.end());
}

std::vector<std::string> Groups(std::string_view ascii) {
    const Text text = Wide(ascii);
    std::vector<std::string> groups;
    for (const HitMatch& m : FindHitMatches(text)) {
        groups.emplace_back(ascii.substr(m.groupBegin, m.groupEnd - m.groupBegin));
    }
    return groups;
}

// The pattern run by a backtracking ECMAScript engine. std::regex's "." also refuses the carriage
// return, so "." is written as [^\n], which is what the site's dialect means by it.
std::vector<HitMatch> OracleMatches(const std::string& text) {
    static const std::regex pattern(R"(href=["'\s]?http://([^\s]+)([^\n]*?)\b["'\s]?([^\n]*?)>([^\n]*?)</a>)",
                                    std::regex::ECMAScript | std::regex::icase);
    std::vector<HitMatch> matches;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it) {
        const auto& m = *it;
        matches.push_back(
            HitMatch{static_cast<size_t>(m.position(0)), static_cast<size_t>(m.position(0) + m.length(0)),
                     static_cast<size_t>(m.position(1)), static_cast<size_t>(m.position(1) + m.length(1))});
    }
    return matches;
}

bool Same(const std::vector<HitMatch>& a, const std::vector<HitMatch>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].begin != b[i].begin || a[i].end != b[i].end || a[i].groupBegin != b[i].groupBegin ||
            a[i].groupEnd != b[i].groupEnd) {
            return false;
        }
    }
    return true;
}

std::string Describe(const std::vector<HitMatch>& matches) {
    std::string out;
    for (const auto& m : matches) {
        out += "[" + std::to_string(m.begin) + "," + std::to_string(m.end) + ") g[" +
               std::to_string(m.groupBegin) + "," + std::to_string(m.groupEnd) + ") ";
    }
    return out;
}

TEST(HitPattern, SitePageLinksGiveHostPlayPathNameAndNextAnchor) {
    const std::string line =
        R"(<span class="songName"><a href="http://h:1/play/1001.htm">Name</a><a href="/so.asp?key=x" class="singer">S</a></span>)";
    ASSERT_EQ(Groups(line), std::vector<std::string>{R"(h:1/play/1001.htm">Name</a><a)"});
}

TEST(HitPattern, NameWithSpaceStopsTheGroupAtTheSpace) {
    EXPECT_EQ(Groups(R"(<a href="http://h/play/7.htm">Two Words</a><a x>y</a>)"),
              std::vector<std::string>{R"(h/play/7.htm">Two)"});
}

TEST(HitPattern, LettersMatchInAnyCase) {
    EXPECT_EQ(Groups(R"(<A HREF="HTTP://h/play/7.htm">N</A><A x>y</A>)"),
              std::vector<std::string>{R"(h/play/7.htm">N</A><A)"});
}

TEST(HitPattern, LinkWithoutQuotesAndTextWithoutLinksGiveWhatTheEngineGives) {
    // The group gives back up to the last word boundary before the ">" that still leaves "</a>".
    const std::string unquoted = "href=http://h/play/7.htm>N</a>";
    EXPECT_EQ(Groups(unquoted), std::vector<std::string>{"h/play/7.htm"});
    EXPECT_TRUE(Same(FindHitMatches(Wide(unquoted)), OracleMatches(unquoted)));
    EXPECT_TRUE(Groups("no links here, href= and http:// apart").empty());
    EXPECT_TRUE(Groups("href=\"http:// spaced\">x</a>").empty());
}

TEST(HitPattern, TheQuoteAfterTheBoundaryMayTakeTheLineFeed) {
    // The group ends at a word character before the line feed; the rest of the match is on the next line.
    const std::string text = "href=http://abc\nxx>y</a> tail";
    EXPECT_TRUE(Same(FindHitMatches(Wide(text)), OracleMatches(text)))
        << Describe(FindHitMatches(Wide(text)));
    EXPECT_EQ(Groups(text), std::vector<std::string>{"abc"});
}

TEST(HitPattern, AgreesWithABacktrackingEngineOnRandomText) {
    // Pieces that make matches likely, and characters at every decision of the pattern.
    const std::vector<std::string> pieces = {
        "href=", "HREF=", "http://", "HTTP://", "</a>", "</A>", ">", "<a", "\"", "'", " ", "\t", "\n",
        "\r",    "a",     "Z",       "9",       "_",    "-",    ".", "/",  "=",  "h", "<", "\v", "\f"};
    std::mt19937 random(20261207);
    for (int round = 0; round < 24000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % (round % 8 == 0 ? 160 : 40));
        for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
        const auto ours = FindHitMatches(Wide(text));
        const auto oracle = OracleMatches(text);
        ASSERT_TRUE(Same(ours, oracle)) << "text: " << ::testing::PrintToString(text)
                                        << "\nours:   " << Describe(ours) << "\noracle: " << Describe(oracle);
    }
}

TEST(HitPattern, HostilePagesFinishWithoutDeepRecursion) {
    // Long runs without white space, many unfinished links on one line, unclosed tags, noise: each
    // must come back (a recursive engine would overflow the stack here).
    const size_t size = 4 * 1024 * 1024;
    Text run(size, u'x');
    EXPECT_TRUE(FindHitMatches(run).empty());

    Text links;
    while (links.size() < size) links += u"href=\"http://a.b/c\">";
    EXPECT_TRUE(FindHitMatches(links).empty());

    Text closing = links + u"</a>";
    const auto matches = FindHitMatches(closing);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].end, closing.size());

    Text noise;
    std::mt19937 random(7);
    while (noise.size() < size) noise += static_cast<char16_t>(random() % 0x3000);
    FindHitMatches(noise);
}

}  // namespace
}  // namespace mulan::site
