#include "site/encode_query.h"

#include <string>

namespace mulan::site {

namespace {

constexpr char16_t kHex[] = u"0123456789ABCDEF";

bool PassesUnchanged(char16_t c) {
    return Text(u"-,.0123456789/").find(c) != Text::npos;
}

bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The unit's code as one or two bytes; a unit the code page lacks, or one that comes back as more
// than one character, counts as "?".
std::string GbkCode(char16_t unit, const Codec& codec) {
    std::string bytes = codec.Encode(TextView(&unit, 1), kCharsetGb2312);
    if (bytes.empty() || bytes.size() > 2) return "?";
    if (bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) < 0x81) return "?";
    return bytes;
}

void AppendHexByte(Text& out, unsigned char byte) {
    out += u'%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

void AppendHexNoLeadingZero(Text& out, unsigned char byte) {
    out += u'%';
    if (byte >= 0x10) out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace

Text EncodeQuery(TextView words, const Codec& codec) {
    Text out;
    for (const char16_t unit : words) {
        if (PassesUnchanged(unit)) {
            out += unit;
            continue;
        }
        const std::string code = GbkCode(unit, codec);
        if (code.size() == 2) {
            AppendHexByte(out, static_cast<unsigned char>(code[0]));
            AppendHexByte(out, static_cast<unsigned char>(code[1]));
        } else if (IsAsciiLetter(unit)) {
            out += unit;
        } else {
            AppendHexNoLeadingZero(out, static_cast<unsigned char>(code[0]));
        }
    }
    return out;
}

}  // namespace mulan::site
