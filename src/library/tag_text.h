#pragma once

#include <span>
#include <string>
#include <string_view>

#include "site/codec.h"

namespace mulan::library {

// What the bytes of a file's 8-bit tag texts (ID3v2 frames marked ISO-8859-1, ID3v1; fields marked
// UTF-8 that are not) really are. Chinese taggers wrote the system's code page into them: GBK (or
// GB18030) on the mainland, Big5 on Taiwan and in Hong Kong.
enum class TagCharset { Latin1, Utf8, Gb18030, Big5 };

// The charset of a file's 8-bit texts, decided from all of them together (title, artists, album,
// album artist, lyrics, ID3v1 fields), since a two- or three-character name alone often reads as
// Chinese in more than one charset, and genuine Latin-1 ("Mötley Crüe") often reads as GBK:
// - UTF-8 when every text that is not ASCII is valid UTF-8 (taggers wrote UTF-8 into Latin-1 frames);
// - else GB18030 or Big5 when it reads the texts as common Chinese: at least one common character
//   (GB2312's first level of hanzi or its punctuation and full-width forms; Big5's frequent hanzi and
//   its symbols) and no more rare ones (GBK's extensions, four-byte codes, user-defined areas; Big5's
//   less frequent hanzi) than common ones, where a text the charset cannot read counts as one rare
//   character. Big5 wins only with more common characters than GB18030 and, when GB18030 qualifies
//   too, a better balance of common over rare;
// - else Latin-1.
// Decided by byte ranges, no frequency tables; codec reads the double-byte characters.
TagCharset GuessTagCharset(std::span<const std::string_view> texts, const site::Codec& codec);

// bytes in charset, in UTF-8. A text charset cannot read (one of several fields from different tools)
// is read as UTF-8 when it is valid UTF-8, else as Latin-1: the result is always valid UTF-8 and
// nothing is lost.
std::string DecodeTagText(std::string_view bytes, TagCharset charset, const site::Codec& codec);

// bytes without a character cut short at their end, as a full ID3v1 field (30 bytes) cuts a text
// written in a multi-byte charset; bytes unchanged when their last character is whole or charset is
// Latin-1.
std::string_view WithoutCutCharacter(std::string_view bytes, TagCharset charset);

}  // namespace mulan::library
