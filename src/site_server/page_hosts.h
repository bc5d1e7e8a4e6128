#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "library/site_pages.h"

namespace mulan::site_server {

// Ports of the three servers, as bound.
struct SitePorts {
    int site = 18080;
    int search = 18081;
    int media = 18082;
};

// The host names a page links to. A name given on the command line wins; otherwise the name the client
// reached us by (its Host header) with each server's port, so that a player on another computer that
// uses our LAN address or name recognises its hits; without a usable Host header, the bound address.
struct HostChoice {
    std::optional<std::string> site, search, media;  // --site-host and friends
    std::string boundName;                           // "127.0.0.1", "[::1]", "192.168.1.5"
    SitePorts ports;

    library::PageHosts For(std::string_view hostHeader) const;
};

// The name part of a Host header ("name", "1.2.3.4", "[v6]") when it is one a link may carry: letters,
// digits, '-', '.', and a bracketed IPv6 address; an optional ":port" is dropped. nullopt otherwise.
std::optional<std::string> HostName(std::string_view hostHeader);

// "name:port" (the name as HostName gives it).
std::string JoinHost(std::string_view name, int port);

}  // namespace mulan::site_server
