#include "site/song_address.h"

#include "base/text.h"
#include "site/fetch_page.h"
#include "site/site_error.h"
#include "site/text_cut.h"

namespace mulan::site {

Text AudioAddressFromPlayPage(TextView page, TextView mediaHost) {
    Text text = RemoveAll(page, u" ");
    text = RemoveAll(text, u"\r\n");
    text = RemoveAll(text, u"\t");
    text = AfterMarker(text, u"firstplay=");
    const size_t end = text.find(u"\";}catch(e)");
    if (end == Text::npos) throw SiteError("the play page has no \";}catch(e) after the audio path");
    text.resize(end);
    return u"http://" + Text(mediaHost) + AfterFirst(text, u'"');
}

Text ResolveSongAddress(SiteAccess& site, TextView id) {
    const Text address = u"http://" + site.hosts.site + u"/play/" + Text(id) + u".htm";
    const Text page = FetchPage(site, address, kCharsetAuto);
    try {
        return AudioAddressFromPlayPage(page, site.hosts.media);
    } catch (const SiteError& error) {
        throw SiteError(TextToUtf8(address) + ": " + error.what());
    }
}

}  // namespace mulan::site
