// A lyrics page as the player fetches it: lines, the no-lyrics notice or a SiteError; and the id
// conversion the player does before asking for it.
#include <cstdint>
#include <vector>

#include "fuzz_site.h"
#include "site/lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    fuzz::FuzzSite site(data, size, 1);
    site::CollectedLyrics lines;
    try {
        site::FetchLyrics(site.access, 1001, lines, lines);
        for (const Text& line : lines.lines)
            fuzz::Check(line.find(u'-') == Text::npos, "a line holds its separator");
    } catch (const site::SiteError&) {
        fuzz::Check(lines.lines.empty() && lines.caption == site::kFetchingLyrics,
                    "a failed fetch left lines");
    }
    const Text id = Utf8ToText(std::string_view(reinterpret_cast<const char*>(data), size < 24 ? size : 24));
    (void)site::SongIdNumber(id);
    return 0;
}
