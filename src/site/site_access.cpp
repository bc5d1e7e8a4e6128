#include "site/site_access.h"

#include "site/site_hosts.h"

namespace mulan::site {

SiteHosts SiteHosts::Built() {
    return SiteHosts{kSiteHost, kSearchHost, kMediaHost};
}

}  // namespace mulan::site
