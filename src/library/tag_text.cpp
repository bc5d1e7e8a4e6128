#include "library/tag_text.h"

#include <optional>

#include "base/text.h"
#include "library/gbk_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::string Latin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) utf8::Append(out, static_cast<unsigned char>(c));
    return out;
}

bool InRange(unsigned value, unsigned first, unsigned last) {
    return value >= first && value <= last;
}

// ---- Reading in one charset -------------------------------------------------------------------------

// bytes as Big5, in UTF-8; nothing when they are not Big5. The user-defined areas (leads 0x81-0xA0 and
// 0xFA-0xFE, and what the code page reads as private-use characters) are not taken: iconv and Windows
// read them differently, and no tagger wrote them.
std::optional<std::string> DecodeBig5Strict(std::string_view bytes, const site::Codec& codec) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) continue;
        if (!InRange(lead, 0xA1, 0xF9) || i + 1 >= bytes.size()) return std::nullopt;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        if (!InRange(trail, 0x40, 0x7E) && !InRange(trail, 0xA1, 0xFE)) return std::nullopt;
    }
    const Text text = codec.Decode(bytes, site::kCharsetBig5);
    for (const char16_t unit : text) {
        if (unit == u'\uFFFD' || InRange(unit, 0xE000, 0xF8FF)) return std::nullopt;
    }
    return TextToUtf8(text);
}

std::optional<std::string> DecodeStrict(std::string_view bytes, TagCharset charset,
                                        const site::Codec& codec) {
    switch (charset) {
        case TagCharset::Latin1:
            return Latin1(bytes);
        case TagCharset::Utf8:
            if (utf8::IsValid(bytes)) return std::string(bytes);
            return std::nullopt;
        case TagCharset::Gb18030:
            return DecodeGb18030Strict(codec, bytes);
        case TagCharset::Big5:
            return DecodeBig5Strict(bytes, codec);
    }
    return std::nullopt;
}

// ---- Scoring ----------------------------------------------------------------------------------------

struct Score {
    int common = 0;
    int rare = 0;

    bool Qualifies() const { return common >= 1 && rare <= common; }
    int Balance() const { return common - rare; }
};

// GB18030 read by byte ranges (the bytes are valid GB18030).
void ScoreGb18030(std::string_view bytes, Score& score) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        if (InRange(trail, 0x30, 0x39)) {  // four bytes: what GBK lacks
            ++score.rare;
            i += 4;
            continue;
        }
        i += 2;
        const bool high = trail >= 0xA1;
        // GB2312's first level ends at 0xD7F9; its punctuation (row 1) and full-width forms (row 3).
        // Its kana, Greek, Cyrillic and pinyin rows count neither way: Big5's most frequent hanzi fall
        // there.
        if ((InRange(lead, 0xB0, 0xD6) && high) || (lead == 0xD7 && InRange(trail, 0xA1, 0xF9)) ||
            ((lead == 0xA1 || lead == 0xA3) && high)) {
            ++score.common;
        } else if (!high || InRange(lead, 0x81, 0xA0) || InRange(lead, 0xAA, 0xAF) || lead >= 0xF8 ||
                   lead == 0xD7) {
            ++score.rare;
        }
    }
}

// Big5 read by byte ranges (the bytes are valid Big5).
void ScoreBig5(std::string_view bytes, Score& score) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        i += 2;
        const unsigned code = lead << 8 | trail;
        // Latin-1's capitals 0xC0-0xC6 before an ASCII letter ("Ænima", "Äpple") are Big5 hanzi of the
        // first level: those count neither way.
        if (lead >= 0xC0 && trail < 0x80) continue;
        if (InRange(code, 0xA440, 0xC67E) || InRange(code, 0xA140, 0xA3BF)) {
            ++score.common;
        } else {
            ++score.rare;
        }
    }
}

Score ScoreOf(std::span<const std::string_view> texts, TagCharset charset, const site::Codec& codec) {
    Score score;
    for (const std::string_view text : texts) {
        if (IsAscii(text)) continue;
        if (!DecodeStrict(text, charset, codec)) {
            ++score.rare;
            continue;
        }
        if (charset == TagCharset::Gb18030) ScoreGb18030(text, score);
        if (charset == TagCharset::Big5) ScoreBig5(text, score);
    }
    return score;
}

}  // namespace

TagCharset GuessTagCharset(std::span<const std::string_view> texts, const site::Codec& codec) {
    bool anyHigh = false, allUtf8 = true;
    for (const std::string_view text : texts) {
        if (IsAscii(text)) continue;
        anyHigh = true;
        allUtf8 = allUtf8 && utf8::IsValid(text);
    }
    if (!anyHigh) return TagCharset::Latin1;
    if (allUtf8) return TagCharset::Utf8;
    const Score gb = ScoreOf(texts, TagCharset::Gb18030, codec);
    const Score big5 = ScoreOf(texts, TagCharset::Big5, codec);
    if (big5.Qualifies() && big5.common > gb.common && (!gb.Qualifies() || big5.Balance() > gb.Balance())) {
        return TagCharset::Big5;
    }
    if (gb.Qualifies()) return TagCharset::Gb18030;
    return TagCharset::Latin1;
}

std::string DecodeTagText(std::string_view bytes, TagCharset charset, const site::Codec& codec) {
    if (IsAscii(bytes)) return std::string(bytes);
    if (auto text = DecodeStrict(bytes, charset, codec)) return *std::move(text);
    if (utf8::IsValid(bytes)) return std::string(bytes);
    return Latin1(bytes);
}

std::string_view WithoutCutCharacter(std::string_view bytes, TagCharset charset) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::size_t start = 0;   // where the last character begins
    std::size_t length = 0;  // the bytes it needs
    switch (charset) {
        case TagCharset::Latin1:
            return bytes;
        case TagCharset::Utf8:
            for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
                const unsigned char byte = at(bytes.size() - back);
                if ((byte & 0xC0) == 0x80) continue;
                start = bytes.size() - back;
                length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
                break;
            }
            break;
        case TagCharset::Gb18030:
        case TagCharset::Big5:
            for (std::size_t i = 0; i < bytes.size(); i += length) {
                start = i;
                const bool fourByte =
                    charset == TagCharset::Gb18030 && i + 1 < bytes.size() && InRange(at(i + 1), 0x30, 0x39);
                length = at(i) < 0x81 || at(i) == 0xFF ? 1 : fourByte ? 4 : 2;
            }
            break;
    }
    return start + length > bytes.size() ? bytes.substr(0, start) : bytes;
}

}  // namespace mulan::library
