// Any request target: its path and query are pieces of it, the query's fields are its first pieces by
// name, escapes decode as the player writes them, search words come back as the player encoded them,
// and a play, lyrics or audio path is recognised only in the one form that names its id.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_site.h"
#include "site/encode_query.h"
#include "site_server/request_target.h"

namespace {

using namespace mulan;
using fuzz::Check;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// bytes escaped as the player does: "%X" for a byte below 16 when no hex digit follows, else "%XX";
// letters and digits as they are.
std::string Escape(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool plain =
            (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
        if (plain) {
            out += static_cast<char>(byte);
            continue;
        }
        const bool nextIsHex = i + 1 < bytes.size() && IsHexDigit(bytes[i + 1]);
        out += '%';
        if (byte >= 16 || nextIsHex) out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

bool AllDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsAbsolute(std::string_view target) {
    std::string scheme(target.substr(0, 8));
    for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return scheme.rfind("http://", 0) == 0 || scheme.rfind("https://", 0) == 0;
}

void CheckSplit(std::string_view target, const site_server::TargetParts& parts) {
    Check(parts.path.find('?') == std::string_view::npos, "'?' in the path");
    const auto endsWith = [target](std::string_view tail) {
        return target.size() >= tail.size() && target.substr(target.size() - tail.size()) == tail;
    };
    Check(endsWith(parts.query), "the query is not the end of the target");
    if (IsAbsolute(target)) {
        Check(!parts.path.empty() && parts.path.front() == '/', "absolute target without a path");
        return;
    }
    const bool hasQuery = target.find('?') != std::string_view::npos;
    Check(std::string(parts.path) + (hasQuery ? "?" : "") + std::string(parts.query) == target,
          "path and query are not the target");
}

void CheckQuery(std::string_view query, const site_server::QueryFields& fields) {
    std::set<std::string_view> seen;
    std::size_t start = 0;
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view piece = query.substr(start, end - start);
        const std::size_t equals = std::min(piece.find('='), piece.size());
        const std::string_view name = piece.substr(0, equals);
        if (seen.insert(name).second) {
            const auto found = fields.find(name);
            Check(found != fields.end(), "a field is missing");
            Check(found->second == piece.substr(std::min(equals + 1, piece.size())), "not the first value");
        }
        if (end == query.size()) break;
        start = end + 1;
    }
    Check(seen.size() == fields.size(), "a field that is not in the query");
}

void CheckValue(std::string_view raw, const site::Codec& codec) {
    const std::optional<std::string> bytes = site_server::PercentDecode(raw);
    if (raw.find('%') == std::string_view::npos) Check(bytes == std::string(raw), "plain text changed");
    if (bytes) Check(bytes->size() <= raw.size(), "decoding grew the text");
    const std::optional<std::string> words = site_server::DecodeGbkValue(codec, raw);
    if (!bytes) Check(!words, "words from malformed escapes");
    if (words) Check(TextToUtf8(Utf8ToText(*words)) == *words, "words that are not UTF-8");
    const std::optional<std::size_t> page = site_server::PageNumber(raw);
    Check(page.has_value() == AllDigits(raw), "page number of other than digits");
    if (page) Check(*page >= 1 && *page <= site_server::kMaxPageNumber, "page number out of bounds");
}

void CheckPaths(std::string_view path) {
    if (const auto id = site_server::PlayPageId(path)) {
        Check(*id >= 0 && *id <= library::kMaxSongId, "play id out of bounds");
        Check(path == "/play/" + std::to_string(*id) + ".htm", "play path not in the site's own form");
    }
    if (const auto number = site_server::LyricsPageNumber(path)) {
        const std::string_view digits = path.substr(6, path.size() - 10);
        Check(path.substr(0, 6) == "/geci/" && path.substr(path.size() - 4) == ".htm", "lyrics path form");
        Check(!digits.empty() && digits.size() <= 12 && AllDigits(digits), "lyrics number digits");
        Check(std::stoll(std::string(digits)) == *number, "lyrics number value");
    }
    if (const auto id = site_server::MediaSongId(path)) {
        const std::string prefix = "/music/" + std::to_string(*id) + "/";
        Check(*id >= 0 && *id <= library::kMaxSongId, "audio id out of bounds");
        Check(path.substr(0, prefix.size()) == prefix, "audio path not in the site's own form");
        const std::string_view name = path.substr(std::min(prefix.size(), path.size()));
        Check(!name.empty() && name.find('/') == std::string_view::npos, "audio name is not one segment");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    static const site::IconvCodec codec;
    if (!input.empty()) {
        const site_server::TargetParts parts = site_server::SplitTarget(input);
        CheckSplit(input, parts);
        CheckPaths(parts.path);
        const site_server::QueryFields fields = site_server::ParseQuery(parts.query);
        CheckQuery(parts.query, fields);
        for (const auto& [name, value] : fields) CheckValue(value, codec);
    }
    CheckPaths(input);
    CheckValue(input, codec);

    Check(site_server::PercentDecode(Escape(input)) == std::string(input), "escaped bytes do not come back");
    // The player's key for the input read as words: it decodes, and the words it gives encode to it.
    // A one-digit escape followed by a hex digit reads as one byte, as it always has for the player.
    const Text words = Utf8ToText(input);
    if (words.find_first_of(u"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F") == Text::npos &&
        words.find(u'\0') == Text::npos) {
        const std::string key = TextToUtf8(site::EncodeQuery(words, codec));
        const std::optional<std::string> decoded = site_server::DecodeGbkValue(codec, key);
        Check(decoded.has_value(), "the player's key does not decode");
        Check(TextToUtf8(site::EncodeQuery(Utf8ToText(*decoded), codec)) == key, "the player's key changes");
    }
    return 0;
}
