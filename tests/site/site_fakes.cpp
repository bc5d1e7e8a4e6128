#include "site/site_fakes.h"

#include <utility>

namespace mulan::site::testing {

namespace {

constexpr std::pair<char16_t, uint16_t> kGbk[] = {
    {u'一', 0xD2BB}, {u'上', 0xC9CF},     {u'个', 0xB8F6}, {u'云', 0xD4C6}, {u'传', 0xB4AB}, {u'共', 0xB9B2},
    {u'关', 0xB9D8}, {u'到', 0xB5BD},     {u'名', 0xC3FB}, {u'听', 0xCCFD}, {u'在', 0xD4DA}, {u'如', 0xC8E7},
    {u'岚', 0xE1B0}, {u'我', 0xCED2},     {u'手', 0xCAD6}, {u'找', 0xD5D2}, {u'播', 0xB2A5}, {u'放', 0xB7C5},
    {u'无', 0xCEDE}, {u'暂', 0xD4DD},     {u'曲', 0xC7FA}, {u'果', 0xB9FB}, {u'柳', 0xC1F8}, {u'歌', 0xB8E8},
    {u'沐', 0xE3E5}, {u'法', 0xB7A8},     {u'相', 0xCFE0}, {u'第', 0xB5DA}, {u'线', 0xCFDF}, {u'结', 0xBDE1},
    {u'行', 0xD0D0}, {u'要', 0xD2AA},     {u'词', 0xB4CA}, {u'试', 0xCAD4}, {u'该', 0xB8C3}, {u'页', 0xD2B3},
    {u'：', 0xA3BA}, {u'\u3000', 0xA1A1},
};

}  // namespace

Text TableCodec::Decode(std::string_view bytes, std::u16string_view charset) const {
    decodes.push_back(DecodeCall{Text(charset), bytes.size()});
    switch (ClassifyCharset(charset)) {
        case CharsetKind::Utf8:
            return Utf8ToText(bytes);
        case CharsetKind::Big5:  // the site's pages are GBK: the fake knows no Big5
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

std::string GbkBytes(std::string_view utf8) {
    return TableCodec().Encode(Utf8ToText(utf8), kCharsetGb2312);
}

}  // namespace mulan::site::testing
