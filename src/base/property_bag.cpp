#include "base/property_bag.h"

#include <string>

#include "base/decimal_text.h"

namespace mulan {

namespace {

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameKey(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

TextView Trim(TextView text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t' || text.back() == u'\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::optional<int64_t> ParseInteger(TextView text, int64_t min, int64_t max) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) return std::nullopt;
    int64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (negative) value = -value;
    if (value < min || value > max) return std::nullopt;
    return value;
}

PropertyBag PropertyBag::Parse(std::string_view utf8) {
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    PropertyBag bag;
    const Text text = Utf8ToText(utf8);
    TextView rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find(u'\n');
        const TextView line = rest.substr(0, end);
        rest = end == TextView::npos ? TextView() : rest.substr(end + 1);
        const size_t equals = line.find(u'=');
        if (equals == TextView::npos) continue;
        bag.Write(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return bag;
}

std::string PropertyBag::Serialize() const {
    std::string out;
    for (const auto& [key, value] : entries_) out += TextToUtf8(key) + "=" + TextToUtf8(value) + "\n";
    return out;
}

std::optional<Text> PropertyBag::Read(TextView key) const {
    for (const auto& [k, v] : entries_) {
        if (SameKey(k, key)) return v;
    }
    return std::nullopt;
}

void PropertyBag::Write(TextView key, TextView value) {
    for (auto& [k, v] : entries_) {
        if (SameKey(k, key)) {
            v = Text(value);
            return;
        }
    }
    entries_.emplace_back(Text(key), Text(value));
}

int32_t PropertyBag::ReadInt(TextView key, int32_t fallback) const {
    const auto text = Read(key);
    const auto value = text ? ParseInteger(*text, INT32_MIN, INT32_MAX) : std::nullopt;
    return value ? static_cast<int32_t>(*value) : fallback;
}

uint32_t PropertyBag::ReadColour(TextView key, uint32_t fallback) const {
    const auto text = Read(key);
    // Colours are stored as signed or unsigned 32-bit numbers.
    const auto value = text ? ParseInteger(*text, INT32_MIN, UINT32_MAX) : std::nullopt;
    return value ? static_cast<uint32_t>(*value) : fallback;
}

bool PropertyBag::ReadBool(TextView key, bool fallback) const {
    const auto text = Read(key);
    if (!text) return fallback;
    if (SameKey(*text, u"true") || *text == u"-1" || *text == u"1") return true;
    if (SameKey(*text, u"false") || *text == u"0") return false;
    return fallback;
}

void PropertyBag::WriteInt(TextView key, int64_t value) {
    Write(key, DecimalText(value));
}

}  // namespace mulan
