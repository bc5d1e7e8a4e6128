#include "site_server/request_target.h"

#include <algorithm>

#include "library/gbk_text.h"

namespace mulan::site_server {

namespace {

constexpr std::size_t kMaxPageDigits = 9;
constexpr std::size_t kMaxIdDigits = 10;
constexpr std::size_t kMaxLyricsDigits = 12;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

std::optional<int> HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char t) {
        return p == (t >= 'A' && t <= 'Z' ? static_cast<char>(t - 'A' + 'a') : t);
    });
}

// Digits that fit in 64 bits (the callers bound their number).
std::int64_t DecimalValue(std::string_view digits) {
    std::int64_t value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return value;
}

// What lies between prefix and suffix when path is exactly prefix + middle + suffix.
std::optional<std::string_view> Between(std::string_view path, std::string_view prefix,
                                        std::string_view suffix) {
    if (path.size() < prefix.size() + suffix.size() || path.substr(0, prefix.size()) != prefix ||
        path.substr(path.size() - suffix.size()) != suffix)
        return std::nullopt;
    return path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
}

// An id as the site writes it: "0" or decimal digits without a leading zero, no larger than any id.
std::optional<library::SongId> SiteId(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxIdDigits || !AllDigits(digits) ||
        (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    const library::SongId id = DecimalValue(digits);
    if (id > library::kMaxSongId) return std::nullopt;
    return id;
}

}  // namespace

TargetParts SplitTarget(std::string_view target) {
    if (StartsWithIgnoringCase(target, "http://") || StartsWithIgnoringCase(target, "https://")) {
        const std::string_view rest = target.substr(target.find("://") + 3);
        const std::size_t slash = rest.find('/');
        target = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos) return {target, {}};
    return {target.substr(0, question), target.substr(question + 1)};
}

QueryFields ParseQuery(std::string_view query) {
    QueryFields fields;
    if (query.empty()) return fields;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view piece = query.substr(start, end - start);
        const std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos)
            fields.emplace(piece, std::string_view());
        else
            fields.emplace(piece.substr(0, equals), piece.substr(equals + 1));
        if (end == query.size()) break;
        start = end + 1;
    }
    return fields;
}

std::optional<std::string> PercentDecode(std::string_view raw) {
    std::string bytes;
    bytes.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        if (raw[i] != '%') {
            bytes += raw[i++];
            continue;
        }
        const std::optional<int> high = i + 1 < raw.size() ? HexValue(raw[i + 1]) : std::nullopt;
        if (!high) return std::nullopt;
        const std::optional<int> low = i + 2 < raw.size() ? HexValue(raw[i + 2]) : std::nullopt;
        bytes += static_cast<char>(low ? *high * 16 + *low : *high);
        i += low ? 3 : 2;
    }
    return bytes;
}

std::optional<std::string> DecodeGbkValue(const site::Codec& codec, std::string_view raw) {
    const std::optional<std::string> bytes = PercentDecode(raw);
    if (!bytes) return std::nullopt;
    return library::DecodeGbkStrict(codec, *bytes);
}

std::optional<std::size_t> PageNumber(std::string_view raw) {
    if (raw.empty()) return 1;
    if (!AllDigits(raw)) return std::nullopt;
    const std::size_t significant = std::min(raw.find_first_not_of('0'), raw.size());
    const std::string_view digits = raw.substr(significant);
    if (digits.size() > kMaxPageDigits) return kMaxPageNumber;
    return std::max<std::size_t>(1, static_cast<std::size_t>(DecimalValue(digits)));
}

std::optional<library::SongId> PlayPageId(std::string_view path) {
    const std::optional<std::string_view> digits = Between(path, "/play/", ".htm");
    return digits ? SiteId(*digits) : std::nullopt;
}

std::optional<std::int64_t> LyricsPageNumber(std::string_view path) {
    const std::optional<std::string_view> digits = Between(path, "/geci/", ".htm");
    if (!digits || digits->empty() || digits->size() > kMaxLyricsDigits || !AllDigits(*digits))
        return std::nullopt;
    return DecimalValue(*digits);
}

std::optional<library::SongId> MediaSongId(std::string_view path) {
    const std::optional<std::string_view> rest = Between(path, "/music/", "");
    if (!rest) return std::nullopt;
    const std::size_t slash = rest->find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view name = rest->substr(slash + 1);
    if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
    return SiteId(rest->substr(0, slash));
}

}  // namespace mulan::site_server
