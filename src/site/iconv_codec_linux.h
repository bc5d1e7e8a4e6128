#pragma once

#include "site/codec.h"

namespace mulan::site {

// GBK, Big5 (code page 950) and UTF-8 through iconv. An invalid or incomplete sequence gives U+FFFD for its
// first byte, and decoding goes on with the next byte. GBK's user-defined and unassigned codes read as the
// private-use characters Windows gives them in code page 936, and are written back the same way.
class IconvCodec final : public Codec {
  public:
    Text Decode(std::string_view bytes, std::u16string_view charset) const override;
    std::string Encode(TextView text, std::u16string_view charset) const override;
};

}  // namespace mulan::site
