#include "library/gbk_text.h"

#include "base/text.h"

namespace mulan::library {

namespace {

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

}  // namespace

std::optional<std::string> DecodeGbkStrict(const site::Codec& codec, std::string_view bytes) {
    const Text text = codec.Decode(bytes, site::kCharsetGb2312);
    if (text.find(u'\uFFFD') != Text::npos) return std::nullopt;
    return TextToUtf8(text);
}

std::string DecodeGbk(const site::Codec& codec, std::string_view bytes) {
    return TextToUtf8(codec.Decode(bytes, site::kCharsetGb2312));
}

std::string EncodeGbkWithReferences(const site::Codec& codec, std::string_view utf8) {
    const Text text = Utf8ToText(utf8);
    std::string whole = codec.Encode(text, site::kCharsetGb2312);
    // Almost every page encodes whole; only then is it worth going character by character.
    if (codec.Decode(whole, site::kCharsetGb2312) == text) return whole;
    std::string out;
    out.reserve(whole.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = IsSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
        const TextView one(text.data() + i, length);
        std::string bytes = codec.Encode(one, site::kCharsetGb2312);
        if (codec.Decode(bytes, site::kCharsetGb2312) == one) {
            out += bytes;
        } else {
            char32_t code = one[0];
            if (length == 2) code = 0x10000 + ((code - 0xD800) << 10) + (one[1] - 0xDC00);
            out += "&#" + std::to_string(static_cast<unsigned long>(code)) + ";";
        }
        i += length;
    }
    return out;
}

}  // namespace mulan::library
