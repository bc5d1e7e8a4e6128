#include "library/gbk_text.h"

#include <algorithm>
#include <cstdint>

#include "base/text.h"
#include "library/gb18030_ranges.h"
#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// ---- GB18030 ----------------------------------------------------------------------------------------

// 0x90308130, the first four-byte code beyond the BMP, is U+10000.
constexpr std::uint32_t kSupplementaryIndex = ((0x90 - 0x81) * 10) * 126 * 10;

bool IsGbLead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

bool IsGbDigit(unsigned char byte) {
    return byte >= 0x30 && byte <= 0x39;
}

// The character of a four-byte code, from its linear index; nothing for an index GB18030 leaves unused.
std::optional<char32_t> FourByteCharacter(std::uint32_t index) {
    if (index >= kSupplementaryIndex) {
        const std::uint32_t offset = index - kSupplementaryIndex;
        if (offset > 0x10FFFF - 0x10000) return std::nullopt;
        return static_cast<char32_t>(0x10000 + offset);
    }
    if (index >= gb18030::kBmpIndexes) return std::nullopt;
    const gb18030::Run* end = gb18030::kBmpRuns + gb18030::kBmpRunCount;
    const gb18030::Run* run =
        std::upper_bound(gb18030::kBmpRuns, end, index,
                         [](std::uint32_t value, const gb18030::Run& r) { return value < r.firstIndex; });
    --run;  // the first run starts at index 0
    return static_cast<char32_t>(run->firstCode + (index - run->firstIndex));
}

// The four-byte character at bytes[i]; nothing when the bytes there are not one.
std::optional<char32_t> FourByteAt(std::string_view bytes, std::size_t i) {
    if (i + 3 >= bytes.size()) return std::nullopt;
    const auto b1 = static_cast<unsigned char>(bytes[i]);
    const auto b2 = static_cast<unsigned char>(bytes[i + 1]);
    const auto b3 = static_cast<unsigned char>(bytes[i + 2]);
    const auto b4 = static_cast<unsigned char>(bytes[i + 3]);
    if (!IsGbLead(b1) || !IsGbDigit(b2) || !IsGbLead(b3) || !IsGbDigit(b4)) return std::nullopt;
    return FourByteCharacter(static_cast<std::uint32_t>(
        (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30)));
}

// bytes as GB18030 into out; false when some byte did not begin a valid character (then U+FFFD). The
// stretches between four-byte characters go to the codec whole, cut only at character boundaries.
bool DecodeGb18030Into(const site::Codec& codec, std::string_view bytes, std::string& out) {
    bool valid = true;
    std::size_t stretch = 0;
    const auto flush = [&](std::size_t end) {
        if (end == stretch) return;
        const Text text = codec.Decode(bytes.substr(stretch, end - stretch), site::kCharsetGb2312);
        if (text.find(u'\uFFFD') != Text::npos) valid = false;
        out += TextToUtf8(text);
    };
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool digitNext = i + 1 < bytes.size() && IsGbDigit(static_cast<unsigned char>(bytes[i + 1]));
        if (byte < 0x80 || (IsGbLead(byte) && !digitNext)) {
            const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
            i += byte >= 0x80 && trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
            continue;
        }
        // A four-byte character, or a byte no character begins with (0x80 and 0xFF among them, which
        // code page 936 would read as characters of its own).
        flush(i);
        const std::optional<char32_t> four = FourByteAt(bytes, i);
        if (four) {
            utf8::Append(out, *four);
            i += 4;
        } else {
            utf8::Append(out, utf8::kReplacement);
            valid = false;
            i += 1;
        }
        stretch = i;
    }
    flush(bytes.size());
    return valid;
}

}  // namespace

std::optional<std::string> DecodeGbkStrict(const site::Codec& codec, std::string_view bytes) {
    const Text text = codec.Decode(bytes, site::kCharsetGb2312);
    if (text.find(u'\uFFFD') != Text::npos) return std::nullopt;
    return TextToUtf8(text);
}

std::string DecodeGbk(const site::Codec& codec, std::string_view bytes) {
    return TextToUtf8(codec.Decode(bytes, site::kCharsetGb2312));
}

std::optional<std::string> DecodeGb18030Strict(const site::Codec& codec, std::string_view bytes) {
    std::string out;
    if (!DecodeGb18030Into(codec, bytes, out)) return std::nullopt;
    return out;
}

std::string DecodeGb18030(const site::Codec& codec, std::string_view bytes) {
    std::string out;
    DecodeGb18030Into(codec, bytes, out);
    return out;
}

std::string EncodeGbkWithReferences(const site::Codec& codec, std::string_view utf8) {
    const Text text = Utf8ToText(utf8);
    std::string whole = codec.Encode(text, site::kCharsetGb2312);
    // Almost every page encodes whole; only then is it worth going character by character.
    if (codec.Decode(whole, site::kCharsetGb2312) == text) return whole;
    std::string out;
    out.reserve(whole.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = IsSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
        const TextView one(text.data() + i, length);
        std::string bytes = codec.Encode(one, site::kCharsetGb2312);
        if (codec.Decode(bytes, site::kCharsetGb2312) == one) {
            out += bytes;
        } else {
            char32_t code = one[0];
            if (length == 2) code = 0x10000 + ((code - 0xD800) << 10) + (one[1] - 0xDC00);
            out += "&#" + std::to_string(static_cast<unsigned long>(code)) + ";";
        }
        i += length;
    }
    return out;
}

}  // namespace mulan::library
