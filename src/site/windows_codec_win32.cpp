#include "site/windows_codec_win32.h"

#include <windows.h>

#include <climits>

#include "site/site_error.h"

namespace mulan::site {

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr UINT kBig5CodePage = 950;

UINT CodePageOf(std::u16string_view charset) {
    switch (ClassifyCharset(charset)) {
        case CharsetKind::Gbk:
            return kGbkCodePage;
        case CharsetKind::Utf8:
            return CP_UTF8;
        case CharsetKind::Big5:
            return kBig5CodePage;
        case CharsetKind::Unknown:
            break;
    }
    throw SiteError("unknown character set \"" + TextToUtf8(charset) + "\"");
}

// Whole conversion; false when the bytes hold a sequence the code page rejects.
bool TryDecode(UINT codePage, const char* bytes, int size, Text& out) {
    const int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (needed <= 0) return false;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(needed));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size,
                        reinterpret_cast<wchar_t*>(out.data() + start), needed);
    return true;
}

// Length of the double-byte character at bytes[i]: two bytes for a lead byte with a trail byte after it
// (Big5 has no trail bytes 0x7F to 0xA0, GBK none at 0x7F).
size_t CharLength(UINT codePage, std::string_view bytes, size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= bytes.size()) return 1;
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    if (codePage == kBig5CodePage)
        return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE) ? 2 : 1;
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

// Character by character, for a text the whole conversion rejected.
Text DecodeEach(UINT codePage, std::string_view bytes) {
    Text out;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = CharLength(codePage, bytes, i);
        if (!TryDecode(codePage, bytes.data() + i, static_cast<int>(length), out)) out += u'\uFFFD';
        i += length;
    }
    return out;
}

}  // namespace

Text WindowsCodec::Decode(std::string_view bytes, std::u16string_view charset) const {
    const UINT codePage = CodePageOf(charset);
    if (bytes.empty()) return {};
    if (bytes.size() > static_cast<size_t>(INT_MAX)) throw SiteError("a page too large to decode");
    Text out;
    if (TryDecode(codePage, bytes.data(), static_cast<int>(bytes.size()), out)) return out;
    if (codePage != CP_UTF8) return DecodeEach(codePage, bytes);
    // Without MB_ERR_INVALID_CHARS the UTF-8 decoder itself writes U+FFFD for what it rejects.
    const int size = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    out.resize(static_cast<size_t>(needed > 0 ? needed : 0));
    if (needed > 0) {
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out.data()), needed);
    }
    return out;
}

std::string WindowsCodec::Encode(TextView text, std::u16string_view charset) const {
    const UINT codePage = CodePageOf(charset);
    if (text.empty()) return {};
    if (text.size() > static_cast<size_t>(INT_MAX / 4)) throw SiteError("a text too large to encode");
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    // No best-fit guesses: a character the code page lacks becomes "?".
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    const int needed = WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) WideCharToMultiByte(codePage, flags, wide, size, out.data(), needed, fallback, nullptr);
    return out;
}

}  // namespace mulan::site
