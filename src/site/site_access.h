#pragma once

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

    // The hosts this program was built for.
    static SiteHosts Built();
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
