#include "site/codec.h"

namespace mulan::site {

namespace {

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char16_t c) {
            return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
        };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace

CharsetKind ClassifyCharset(std::u16string_view name) {
    for (const auto gbk : {u"gb2312", u"gbk", u"cp936", u"936"}) {
        if (EqualsIgnoringCase(name, gbk)) return CharsetKind::Gbk;
    }
    for (const auto utf8 : {u"utf-8", u"utf8"}) {
        if (EqualsIgnoringCase(name, utf8)) return CharsetKind::Utf8;
    }
    for (const auto big5 : {u"big5", u"cp950", u"950"}) {
        if (EqualsIgnoringCase(name, big5)) return CharsetKind::Big5;
    }
    return CharsetKind::Unknown;
}

}  // namespace mulan::site
