// Any bytes as the 8-bit tag texts of one file (texts divided at NUL bytes): the charset decision is
// the same each time, every text decodes to valid UTF-8 in every charset, and GB18030's strict and
// lenient readings agree.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_site.h"
#include "library/gbk_text.h"
#include "library/tag_text.h"
#include "library/utf8_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    using library::TagCharset;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> texts;
    for (std::size_t start = 0;;) {
        const std::size_t end = input.find('\0', start);
        texts.push_back(
            input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    const site::IconvCodec codec;
    const TagCharset charset = library::GuessTagCharset(texts, codec);
    fuzz::Check(library::GuessTagCharset(texts, codec) == charset, "a charset decided differently twice");
    for (const std::string_view text : texts) {
        for (const TagCharset each :
             {TagCharset::Latin1, TagCharset::Utf8, TagCharset::Gb18030, TagCharset::Big5}) {
            const std::string decoded = library::DecodeTagText(text, each, codec);
            fuzz::Check(library::utf8::IsValid(decoded), "a tag text decoded to invalid UTF-8");
            fuzz::Check(!decoded.empty() || text.empty(), "a tag text decoded to nothing");
            const std::string_view whole = library::WithoutCutCharacter(text, each);
            fuzz::Check(text.starts_with(whole) && text.size() - whole.size() < 4,
                        "a cut character longer than a character");
        }
        const std::string lenient = library::DecodeGb18030(codec, text);
        fuzz::Check(library::utf8::IsValid(lenient), "GB18030 decoded to invalid UTF-8");
        if (const std::optional<std::string> strict = library::DecodeGb18030Strict(codec, text)) {
            fuzz::Check(*strict == lenient, "GB18030's strict and lenient readings differ");
        } else {
            fuzz::Check(lenient.find("\xEF\xBF\xBD") != std::string::npos,
                        "invalid GB18030 without a U+FFFD");
        }
    }
    return 0;
}
