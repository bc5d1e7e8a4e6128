#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace mulan::site {

// Character-set names the site client uses. Names are compared without regard to case.
inline constexpr char16_t kCharsetGb2312[] = u"gb2312";  // read and written as GBK (code page 936)
inline constexpr char16_t kCharsetUtf8[] = u"UTF-8";
inline constexpr char16_t kCharsetBig5[] = u"big5";  // read and written as code page 950

// Converts between bytes in a named character set and UTF-16.
class Codec {
  public:
    virtual ~Codec() = default;
    // Byte sequences that are not valid in the character set become U+FFFD; never fails for a known
    // name. An unknown name throws SiteError.
    virtual Text Decode(std::string_view bytes, std::u16string_view charset) const = 0;
    // A character the set cannot represent becomes "?". An unknown name throws SiteError.
    virtual std::string Encode(TextView text, std::u16string_view charset) const = 0;
};

enum class CharsetKind { Gbk, Utf8, Big5, Unknown };

// "gb2312", "gbk", "cp936", "936" are GBK; "utf-8", "utf8" are UTF-8; "big5", "cp950", "950" are Big5
// (code page 950).
CharsetKind ClassifyCharset(std::u16string_view name);

}  // namespace mulan::site
