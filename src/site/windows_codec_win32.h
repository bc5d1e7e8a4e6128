#pragma once

#include "site/codec.h"

namespace mulan::site {

// Code pages 936 (GBK) and 950 (Big5) and UTF-8 through MultiByteToWideChar and WideCharToMultiByte. A byte
// sequence the code page cannot take becomes U+FFFD (not the code page's default character).
class WindowsCodec final : public Codec {
  public:
    Text Decode(std::string_view bytes, std::u16string_view charset) const override;
    std::string Encode(TextView text, std::u16string_view charset) const override;
};

}  // namespace mulan::site
