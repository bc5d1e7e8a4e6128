#include "controls/scrollbar/scrollbar_properties.h"

#include <array>
#include <limits>
#include <optional>

#include "base/decimal_text.h"

namespace mulan::scrollbar {
namespace {

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameKey(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

TextView Trimmed(TextView s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r')) s.remove_suffix(1);
    return s;
}

std::optional<std::int32_t> ParseInt(TextView s) {
    bool negative = false;
    if (!s.empty() && (s.front() == u'-' || s.front() == u'+')) {
        negative = s.front() == u'-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 10) return std::nullopt;
    std::int64_t value = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<bool> ParseBool(TextView s) {
    if (SameKey(s, u"true")) return true;
    if (SameKey(s, u"false")) return false;
    if (auto n = ParseInt(s)) return *n != 0;
    return std::nullopt;
}

// Calls visit(key, value) for every "Key=Value" line.
template <class Visit>
void ForEachEntry(TextView stored, Visit&& visit) {
    while (!stored.empty()) {
        const std::size_t end = stored.find(u'\n');
        const TextView line = stored.substr(0, end);
        stored = end == TextView::npos ? TextView{} : stored.substr(end + 1);
        const std::size_t eq = line.find(u'=');
        if (eq == TextView::npos) continue;
        visit(Trimmed(line.substr(0, eq)), Trimmed(line.substr(eq + 1)));
    }
}

struct IntKey {
    const char16_t* name;
    std::int32_t ScrollbarProperties::*field;
};

constexpr std::array<IntKey, 8> kIntKeys{{
    {u"Min", &ScrollbarProperties::min},
    {u"Max", &ScrollbarProperties::max},
    {u"Value", &ScrollbarProperties::value},
    {u"SmallChange", &ScrollbarProperties::smallChange},
    {u"LargeChange", &ScrollbarProperties::largeChange},
    {u"ChangeDelay", &ScrollbarProperties::changeDelay},
    {u"ChangeFrequency", &ScrollbarProperties::changeFrequency},
    {u"Orientation", &ScrollbarProperties::orientation},
}};

void Line(Text& out, const char16_t* key, TextView value) {
    out += key;
    out += u'=';
    out += value;
    out += u"\r\n";
}

}  // namespace

ScrollbarProperties ReadScrollbarProperties(TextView stored) {
    ScrollbarProperties p;
    ForEachEntry(stored, [&p](TextView key, TextView value) {
        if (SameKey(key, u"Enabled")) {
            if (auto b = ParseBool(value)) p.enabled = *b;
        } else if (SameKey(key, u"ShowButtons")) {
            if (auto b = ParseBool(value)) p.showButtons = *b;
        } else {
            for (const IntKey& k : kIntKeys) {
                if (!SameKey(key, k.name)) continue;
                if (auto n = ParseInt(value)) p.*k.field = *n;
            }
        }
    });
    return p;
}

Text WriteScrollbarProperties(const ScrollbarProperties& properties) {
    const ScrollbarProperties defaults;
    Text out;
    if (properties.enabled != defaults.enabled)
        Line(out, u"Enabled", properties.enabled ? u"True" : u"False");
    for (const IntKey& k : kIntKeys) {
        if (properties.*k.field != defaults.*k.field) Line(out, k.name, DecimalText(properties.*k.field));
    }
    if (properties.showButtons != defaults.showButtons)
        Line(out, u"ShowButtons", properties.showButtons ? u"True" : u"False");
    return out;
}

}  // namespace mulan::scrollbar
