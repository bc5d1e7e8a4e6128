#pragma once

#include <string_view>

#include "base/text.h"
#include "site/site_access.h"

namespace mulan::site {

// Charset mode in which the page decides: GBK when its first 1000 bytes, read as GBK and lower-cased,
// contain "charset=gb2312", UTF-8 otherwise.
inline constexpr char16_t kCharsetAuto[] = u"auto";

// GET of one page, its body decoded whatever the status. charsetMode is "auto" (compared exactly) or
// a character-set name handed to DecodeBytes. Throws SiteError when the exchange fails.
Text FetchPage(SiteAccess& site, TextView address, std::u16string_view charsetMode);

Text DecodeBytes(const Codec& codec, std::string_view bytes, std::u16string_view charset);

// The decoding step of FetchPage on its own.
Text DecodeBody(const Codec& codec, std::string_view body, std::u16string_view charsetMode);

}  // namespace mulan::site
