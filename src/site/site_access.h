#pragma once

#include <optional>

#include "base/text.h"
#include "site/codec.h"
#include "site/message_pump.h"
#include "site/transport.h"

namespace mulan::site {

// The site's three hosts: names with an optional port, no scheme.
struct SiteHosts {
    Text site;    // play and lyrics pages
    Text search;  // search result pages
    Text media;   // audio files

    // A site laid out as mulan-site lays itself out: its pages at host:port, its search and media
    // servers on the next two ports. port defaults to 18080; "[v6 address]:port" is understood.
    // Nothing when the port is not a number that leaves room for the next two.
    static std::optional<SiteHosts> At(TextView hostAndPort);
    // The site on this computer at the default ports.
    static SiteHosts Local();

    bool operator==(const SiteHosts&) const = default;
};

// What every site operation works with. The platform supplies the transport, the codec and the
// pump; none of them is owned here.
struct SiteAccess {
    Transport& transport;
    const Codec& codec;
    MessagePump& pump;
    SiteHosts hosts;
};

}  // namespace mulan::site
