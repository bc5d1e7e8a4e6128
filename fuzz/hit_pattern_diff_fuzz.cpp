// The song link matcher against a backtracking engine: std::regex (ECMAScript) with the site's
// pattern must find the same matches with the same first group. Inputs are short texts over the
// characters the pattern cares about, so the reference stays quick and within its stack.
#include <cstdint>
#include <regex>
#include <string>

#include "fuzz_site.h"
#include "site/hit_pattern.h"

namespace {

// Each input byte picks a piece; the multi-character pieces let the search reach whole matches.
constexpr const char* kPieces[] = {"href=", "http://", "</a>", ">", "<", "\"", "'", " ",  "\n",    "\r",
                                   "\t",    "a",       "A",    "H", "x", "_",  "1", "/",  ".",     "=",
                                   "\v",    "\f",      "-",    "é", "p", "b",  "B", "</", "HREF=", "HTTP://"};
constexpr size_t kMaxText = 80;

// "." of the pattern matches everything but the line feed (ECMAScript's "." would also stop at CR).
const std::regex& Reference() {
    static const std::regex pattern(R"(href=["'\s]?http://([^\s]+)([^\n]*?)\b["'\s]?([^\n]*?)>([^\n]*?)</a>)",
                                    std::regex::ECMAScript | std::regex::icase);
    return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    std::string bytes;
    for (size_t i = 0; i < size && bytes.size() < kMaxText; ++i) {
        bytes += kPieces[data[i] % (sizeof kPieces / sizeof *kPieces)];
    }
    // One byte, one UTF-16 unit: the reference works on bytes, so positions compare directly.
    const Text text(bytes.begin(), bytes.end());
    const std::vector<site::HitMatch> ours = site::FindHitMatches(text);
    size_t n = 0;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), Reference());
         it != std::sregex_iterator(); ++it, ++n) {
        const std::smatch& want = *it;
        fuzz::Check(n < ours.size(), "the reference finds a match the matcher misses");
        const site::HitMatch& got = ours[n];
        const auto begin = static_cast<size_t>(want.position(0));
        const auto groupBegin = static_cast<size_t>(want.position(1));
        fuzz::Check(got.begin == begin && got.end == begin + static_cast<size_t>(want.length(0)),
                    "a match differs from the reference");
        fuzz::Check(
            got.groupBegin == groupBegin && got.groupEnd == groupBegin + static_cast<size_t>(want.length(1)),
            "group 1 differs from the reference");
    }
    fuzz::Check(n == ours.size(), "the matcher finds a match the reference does not");
    return 0;
}
