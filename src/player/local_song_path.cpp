#include "player/local_song_path.h"

#include <string>

namespace mulan::player {

namespace {

bool IsSlash(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool StartsWithDrive(TextView path) {
    return path.size() >= 3 && IsLetter(path[0]) && path[1] == u':' && IsSlash(path[2]);
}

bool StartsWithNoCase(TextView text, TextView prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Escapes name UTF-8 bytes; characters typed as they are stay. A stray '%' is kept as it is.
std::optional<Text> PercentDecoded(TextView text) {
    Text out;
    std::string pending;
    const auto flush = [&] {
        out += Utf8ToText(pending);
        pending.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            const auto byte = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            // A NUL would cut the path short where the system reads it.
            if (byte == '\0') return std::nullopt;
            pending += byte;
            i += 2;
            continue;
        }
        flush();
        if (text[i] == u'\0') return std::nullopt;
        out += IsSlash(text[i]) ? u'\\' : text[i];
    }
    flush();
    return out;
}

Text WithBackslashes(TextView path) {
    Text out(path);
    for (char16_t& c : out)
        if (c == u'/') c = u'\\';
    return out;
}

std::optional<Text> FromFileUrl(TextView rest) {
    // "file:///C:/a" has an empty host; "file://localhost/C:/a" names this computer; any other
    // host is a server of the network.
    if (rest.size() < 2 || !IsSlash(rest[0]) || !IsSlash(rest[1])) return std::nullopt;
    rest.remove_prefix(2);
    const size_t slash = rest.find_first_of(u"/\\");
    if (slash == TextView::npos) return std::nullopt;
    const TextView host = rest.substr(0, slash);
    TextView path = rest.substr(slash + 1);
    const size_t query = path.find_first_of(u"?#");
    if (query != TextView::npos) path = path.substr(0, query);
    const std::optional<Text> decoded = PercentDecoded(path);
    if (!decoded || decoded->empty()) return std::nullopt;
    if (host.empty() || (host.size() == 9 && StartsWithNoCase(host, u"localhost"))) {
        if (!StartsWithDrive(*decoded)) return std::nullopt;
        return decoded;
    }
    const std::optional<Text> server = PercentDecoded(host);
    if (!server) return std::nullopt;
    return u"\\\\" + *server + u"\\" + *decoded;
}

}  // namespace

std::optional<Text> LocalSongPath(TextView address) {
    if (address.find(u'\0') != TextView::npos) return std::nullopt;
    if (StartsWithNoCase(address, u"file:")) return FromFileUrl(address.substr(5));
    if (StartsWithDrive(address)) return WithBackslashes(address);
    // "\\server\share\a.mp3", and the system's own "\\?\C:\..." forms.
    if (address.size() > 2 && address[0] == u'\\' && address[1] == u'\\' && !IsSlash(address[2]))
        return Text(address);
    return std::nullopt;
}

}  // namespace mulan::player
