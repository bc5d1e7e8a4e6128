// The search box's wildcard match on any text and pattern (split at the first zero byte); a pattern
// without wildcards matches exactly itself, and "*" matches everything.
#include <cstdint>

#include "app/like_pattern.h"
#include "fuzz_site.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find('\0');
    const Text text = Utf8ToText(input.substr(0, cut));
    const Text pattern = cut == std::string_view::npos ? Text() : Utf8ToText(input.substr(cut + 1));
    const bool matches = app::LikePattern(text, pattern);
    if (pattern.find_first_of(u"*?#[") == Text::npos)
        fuzz::Check(matches == (text == pattern), "literal pattern");
    fuzz::Check(app::LikePattern(text, u"*"), "\"*\" must match everything");
    fuzz::Check(app::LikePattern(text, text) || text.find_first_of(u"*?#[") != Text::npos,
                "text must match itself");
    return 0;
}
