#include "site/site_fakes.h"

#include <utility>

namespace mulan::site::testing {

namespace {

constexpr std::pair<char16_t, uint16_t> kGbk[] = {
    {u'歌', 0xB8E8}, {u'沐', 0xE3E5}, {u'岚', 0xE1B0}, {u'柳', 0xC1F8}, {u'如', 0xC8E7}, {u'云', 0xD4C6},
};

}  // namespace

Text TableCodec::Decode(std::string_view bytes, std::u16string_view charset) const {
    decodes.push_back(DecodeCall{Text(charset), bytes.size()});
    switch (ClassifyCharset(charset)) {
        case CharsetKind::Utf8:
            return Utf8ToText(bytes);
        case CharsetKind::Unknown:
            throw SiteError("unknown character set");
        case CharsetKind::Gbk:
            break;
    }
    Text out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            continue;
        }
        char16_t decoded = u'\uFFFD';
        if (i + 1 < bytes.size()) {
            const auto code = static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(bytes[i + 1]));
            for (const auto& [c, gbk] : kGbk) {
                if (gbk == code) decoded = c, ++i;
            }
        }
        out += decoded;
    }
    return out;
}

std::string TableCodec::Encode(TextView text, std::u16string_view charset) const {
    if (ClassifyCharset(charset) == CharsetKind::Unknown) throw SiteError("unknown character set");
    if (ClassifyCharset(charset) == CharsetKind::Utf8) return TextToUtf8(text);
    std::string out;
    for (const char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char16_t code = 0;
        for (const auto& [known, gbk] : kGbk) {
            if (known == c) code = gbk;
        }
        if (code == 0) {
            out += '?';
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return out;
}

}  // namespace mulan::site::testing
