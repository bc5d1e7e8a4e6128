#include "site/fetch_page.h"

#include "site/request_address.h"

namespace mulan::site {

namespace {

constexpr size_t kSniffBytes = 1000;

Text LowerAscii(Text text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return text;
}

}  // namespace

Text DecodeBytes(const Codec& codec, std::string_view bytes, std::u16string_view charset) {
    return codec.Decode(bytes, charset);
}

Text DecodeBody(const Codec& codec, std::string_view body, std::u16string_view charsetMode) {
    if (body.empty()) return {};
    if (charsetMode != kCharsetAuto) return DecodeBytes(codec, body, charsetMode);
    const Text head = LowerAscii(codec.Decode(body.substr(0, kSniffBytes), kCharsetGb2312));
    if (head.find(u"charset=gb2312") != Text::npos) return codec.Decode(body, kCharsetGb2312);
    return DecodeBytes(codec, body, kCharsetUtf8);
}

Text FetchPage(SiteAccess& site, TextView address, std::u16string_view charsetMode) {
    const std::string body = GetBody(site.transport, RequestAddress(address), site.pump);
    return DecodeBody(site.codec, body, charsetMode);
}

}  // namespace mulan::site
