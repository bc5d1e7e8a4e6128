#pragma once

#include "base/text.h"
#include "site/site_access.h"

namespace mulan::site {

// The audio file address of a song: its play page's firstplay assignment joined to the media host.
// The id is used as it is. Throws SiteError when the page cannot be fetched or the assignment's end
// (";}catch(e) is missing.
Text ResolveSongAddress(SiteAccess& site, TextView id);

// The reading of a play page on its own.
Text AudioAddressFromPlayPage(TextView page, TextView mediaHost);

}  // namespace mulan::site
