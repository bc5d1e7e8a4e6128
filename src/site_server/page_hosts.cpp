#include "site_server/page_hosts.h"

#include <algorithm>

namespace mulan::site_server {

namespace {

constexpr std::size_t kMaxHostName = 255;

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsV6Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

bool IsPort(std::string_view digits) {
    return !digits.empty() && digits.size() <= 5 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<std::string> HostName(std::string_view header) {
    if (header.empty() || header.size() > kMaxHostName + 7) return std::nullopt;
    std::string_view name = header;
    if (header.front() == '[') {
        const auto close = header.find(']');
        if (close == std::string_view::npos || close < 3) return std::nullopt;
        name = header.substr(0, close + 1);
        if (!std::all_of(name.begin() + 1, name.end() - 1, IsV6Char)) return std::nullopt;
        const auto rest = header.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !IsPort(rest.substr(1)))) return std::nullopt;
        return std::string(name);
    }
    if (const auto colon = header.find(':'); colon != std::string_view::npos) {
        if (!IsPort(header.substr(colon + 1))) return std::nullopt;
        name = header.substr(0, colon);
    }
    if (name.empty() || name.size() > kMaxHostName || !std::all_of(name.begin(), name.end(), IsNameChar) ||
        name.front() == '.' || name.front() == '-')
        return std::nullopt;
    return std::string(name);
}

std::string JoinHost(std::string_view name, int port) {
    return std::string(name) + ":" + std::to_string(port);
}

library::PageHosts HostChoice::For(std::string_view hostHeader) const {
    const std::string name = HostName(hostHeader).value_or(boundName);
    return {site.value_or(JoinHost(name, ports.site)), search.value_or(JoinHost(name, ports.search)),
            media.value_or(JoinHost(name, ports.media))};
}

}  // namespace mulan::site_server
