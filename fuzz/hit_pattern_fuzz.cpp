// The song link matcher on any text: matches in order, apart, inside the text, each starting with
// "href=" and ending with "</a>", its group inside the match.
#include <cstdint>

#include "base/text.h"
#include "fuzz_site.h"
#include "site/hit_pattern.h"

namespace {

bool FoldedAt(mulan::TextView text, size_t at, std::u16string_view lower) {
    if (at + lower.size() > text.size()) return false;
    for (size_t i = 0; i < lower.size(); ++i) {
        char16_t c = text[at + i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (c != lower[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    const Text text = Utf8ToText(std::string_view(reinterpret_cast<const char*>(data), size));
    size_t previousEnd = 0;
    for (const site::HitMatch& match : site::FindHitMatches(text)) {
        fuzz::Check(match.begin >= previousEnd && match.begin < match.end && match.end <= text.size(),
                    "match out of order or outside the text");
        fuzz::Check(match.groupBegin >= match.begin && match.groupBegin < match.groupEnd &&
                        match.groupEnd <= match.end,
                    "group outside its match");
        fuzz::Check(FoldedAt(text, match.begin, u"href=") && FoldedAt(text, match.end - 4, u"</a>"),
                    "match without its ends");
        previousEnd = match.end;
    }
    return 0;
}
