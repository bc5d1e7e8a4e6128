// A search result page, as RunSearch reads it for the playlist or the results window (chosen at
// build time by MULAN_FUZZ_SEARCH_TARGET). Whatever the page holds, the search must end with its
// closing texts and deliver every hit it counted.
#include <cstdint>

#include "fuzz_site.h"
#include "site/search.h"

namespace {

using namespace mulan;

class Sinks final : public site::HitSink, public site::SearchStatusSink, public site::SearchBox {
  public:
    void AddToPlaylist(const site::SearchResult& hit) override { Keep(hit); }
    int32_t PlaylistCount() override { return hits; }
    void AddResultRow(const site::SearchResult& hit) override { Keep(hit); }
    int32_t ResultRowCount() override { return hits; }
    void FinishResultsList() override { finished = true; }
    void SetResultsCaption(TextView text) override { caption = text; }
    void SetStatusPanel2(TextView text) override { status = text; }
    Text CurrentText() override { return u"搜索歌曲"; }

    int32_t hits = 0;
    size_t characters = 0;
    bool finished = false;
    Text caption;
    Text status;

  private:
    void Keep(const site::SearchResult& hit) {
        ++hits;
        characters += hit.name.size() + hit.id.size();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzSite site(data, size, 3);
    Sinks sinks;
    site::SearchState state;
    state.SearchTarget = MULAN_FUZZ_SEARCH_TARGET;
    site::SearchHost host{state, sinks, sinks, sinks};
    Text address = site::FirstSearchPageAddress(site.access, u"柳如云");
    site::RunSearch(address, site.access, host);
    fuzz::Check(state.SearchPage == 0, "the search did not end");
    fuzz::Check(sinks.caption == u"音乐搜索信息!", "no closing caption");
    const std::string count = std::to_string(sinks.hits);
    fuzz::Check(sinks.status == u"共找到" + Text(count.begin(), count.end()) + u"首音乐信息!",
                "wrong count text");
    fuzz::Check(sinks.finished == (MULAN_FUZZ_SEARCH_TARGET == site::TargetResults),
                "results list not finished");
    return 0;
}
