#include "site/site_access.h"

#include "base/decimal_text.h"

namespace mulan::site {

namespace {

constexpr int kDefaultPort = 18080;
constexpr int kHighestPort = 65535;

std::optional<int> PortNumber(TextView digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        port = port * 10 + (c - u'0');
    }
    if (port < 1 || port > kHighestPort - 2) return std::nullopt;
    return port;
}

}  // namespace

std::optional<SiteHosts> SiteHosts::At(TextView hostAndPort) {
    // The port follows the last colon, unless that colon is inside a bracketed v6 address.
    const size_t bracket = hostAndPort.rfind(u']');
    size_t colon = hostAndPort.rfind(u':');
    if (colon != TextView::npos && bracket != TextView::npos && colon < bracket) colon = TextView::npos;
    const bool bareV6 =
        colon != TextView::npos && hostAndPort.find(u':') != colon && bracket == TextView::npos;
    if (bareV6) colon = TextView::npos;
    const TextView host = colon == TextView::npos ? hostAndPort : hostAndPort.substr(0, colon);
    if (host.empty() || host.find_first_of(u" /\\?#@") != TextView::npos || bareV6) return std::nullopt;
    int port = kDefaultPort;
    if (colon != TextView::npos) {
        const auto given = PortNumber(hostAndPort.substr(colon + 1));
        if (!given) return std::nullopt;
        port = *given;
    }
    const auto at = [&](int p) { return Text(host) + u":" + DecimalText(p); };
    return SiteHosts{at(port), at(port + 1), at(port + 2)};
}

SiteHosts SiteHosts::Local() {
    return *At(u"127.0.0.1");
}

}  // namespace mulan::site
