#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "site/codec.h"

namespace mulan::library {

// bytes read as GBK, in UTF-8; nullopt when they are not valid GBK.
std::optional<std::string> DecodeGbkStrict(const site::Codec& codec, std::string_view bytes);

// bytes read as GBK, in UTF-8, with U+FFFD for what is not GBK.
std::string DecodeGbk(const site::Codec& codec, std::string_view bytes);

// utf8 written in GBK; a character GBK lacks becomes a decimal character reference (&#N;).
std::string EncodeGbkWithReferences(const site::Codec& codec, std::string_view utf8);

}  // namespace mulan::library
