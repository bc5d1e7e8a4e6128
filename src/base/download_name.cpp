#include "base/download_name.h"

#include <array>
#include <string>

namespace mulan {

namespace {

constexpr Text::value_type kReplacement = u'_';

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool IsEscapeAt(TextView text, std::size_t at) {
    return at + 2 < text.size() && text[at] == u'%' && HexValue(text[at + 1]) >= 0 &&
           HexValue(text[at + 2]) >= 0;
}

// The address's path without scheme, host, query and fragment.
TextView LastSegment(TextView address) {
    const std::size_t end = address.find_first_of(u"?#");
    TextView path = address.substr(0, end == TextView::npos ? address.size() : end);
    const std::size_t slash = path.find_last_of(u"/\\");
    return slash == TextView::npos ? path : path.substr(slash + 1);
}

Text PercentDecode(TextView segment) {
    Text decoded;
    std::size_t i = 0;
    while (i < segment.size()) {
        if (!IsEscapeAt(segment, i)) {
            decoded += segment[i++];
            continue;
        }
        const std::size_t start = i;
        std::string bytes;
        while (IsEscapeAt(segment, i)) {
            bytes += static_cast<char>(HexValue(segment[i + 1]) * 16 + HexValue(segment[i + 2]));
            i += 3;
        }
        const Text text = Utf8ToText(bytes);
        if (TextToUtf8(text) == bytes)
            decoded += text;
        else
            decoded += segment.substr(start, i - start);
    }
    return decoded;
}

bool IsForbidden(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || TextView(u"<>:\"/\\|?*").find(c) != TextView::npos;
}

bool IsDeviceName(TextView name) {
    TextView stem = name.substr(0, name.find(u'.'));
    while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
    Text upper(stem);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
    }
    static constexpr std::array<TextView, 6> kPlain{u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
    for (TextView device : kPlain) {
        if (upper == device) return true;
    }
    // COM0-9 and LPT0-9, superscript digits included: Windows treats them alike.
    if (upper.size() != 4 || !(upper.starts_with(u"COM") || upper.starts_with(u"LPT"))) return false;
    const char16_t digit = upper[3];
    return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

bool IsTrimmed(char16_t c) {
    return c == u'.' || c == u' ';
}

// Cuts at a UTF-16 unit boundary that does not split a surrogate pair.
std::size_t SafeCut(TextView text, std::size_t at) {
    if (at > 0 && at < text.size() && text[at] >= 0xDC00 && text[at] <= 0xDFFF) return at - 1;
    return at;
}

Text Shorten(Text name) {
    if (name.size() <= kMaxDownloadNameLength) return name;
    const std::size_t dot = name.rfind(u'.');
    const std::size_t extensionLength = dot == Text::npos ? 0 : name.size() - dot;
    Text extension = extensionLength > 0 && extensionLength <= 16 ? name.substr(dot) : Text();
    Text stem = name.substr(0, SafeCut(name, kMaxDownloadNameLength - extension.size()));
    while (!stem.empty() && IsTrimmed(stem.back())) stem.pop_back();
    return stem + extension;
}

}  // namespace

Text DownloadFileName(TextView address) {
    Text name = PercentDecode(LastSegment(address));
    for (char16_t& c : name) {
        if (IsForbidden(c)) c = kReplacement;
    }
    const std::size_t start = name.find_first_not_of(u". ");
    if (start == Text::npos) return u"download";
    name.erase(0, start);
    while (IsTrimmed(name.back())) name.pop_back();
    // Cutting the length can leave a device name ("COM1" and an extension), so the mark goes on
    // after it, and the marked name is cut again (a name that starts with the mark is no device).
    name = Shorten(std::move(name));
    if (IsDeviceName(name)) name = Shorten(kReplacement + name);
    return name;
}

bool IsPlainFileName(TextView name) {
    if (name.empty() || name == u"." || name == u"..") return false;
    if (IsTrimmed(name.back())) return false;
    for (char16_t c : name) {
        if (IsForbidden(c)) return false;
    }
    return !IsDeviceName(name);
}

}  // namespace mulan
