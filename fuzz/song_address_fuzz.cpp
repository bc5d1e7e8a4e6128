// A play page as the player resolves a song's audio address from it: either an address on the
// media host or a SiteError, nothing else.
#include <cstdint>

#include "fuzz_site.h"
#include "site/song_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    fuzz::FuzzSite site(data, size, 1);
    try {
        const Text address = site::ResolveSongAddress(site.access, u"1001");
        fuzz::Check(address.rfind(u"http://127.0.0.1:18082", 0) == 0, "the address left the media host");
    } catch (const site::SiteError&) {
    }
    return 0;
}
