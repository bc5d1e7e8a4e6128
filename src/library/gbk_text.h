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

// bytes read as GB18030, in UTF-8; nullopt when they are not valid GB18030. One- and two-byte
// characters are GBK's, read through codec; four-byte characters (b1 0x81-0xFE, b2 0x30-0x39,
// b3 0x81-0xFE, b4 0x30-0x39) are read here, from a table generated at build time for the Basic
// Multilingual Plane and by formula beyond it, as neither Windows under Wine nor every iconv reads them.
std::optional<std::string> DecodeGb18030Strict(const site::Codec& codec, std::string_view bytes);

// bytes read as GB18030, in UTF-8, with U+FFFD for each byte that does not begin a valid character.
std::string DecodeGb18030(const site::Codec& codec, std::string_view bytes);

// utf8 written in GBK; a character GBK lacks becomes a decimal character reference (&#N;).
std::string EncodeGbkWithReferences(const site::Codec& codec, std::string_view utf8);

}  // namespace mulan::library
