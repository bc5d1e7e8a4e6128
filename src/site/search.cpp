#include "site/search.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "base/decimal_text.h"
#include "base/report.h"
#include "site/encode_query.h"
#include "site/fetch_page.h"
#include "site/hit_pattern.h"
#include "site/site_error.h"
#include "site/text_cut.h"

namespace mulan::site {

namespace {

constexpr int kHitsPerPage = 20;
// A refused connection is answered at once: three tries cover the two seconds in which a site
// started together with the player (at log-on, or by a script) comes to listen.
constexpr int kFirstPageTries = 3;
constexpr std::chrono::milliseconds kRetryPause{1000};

// Runs one step of the search; a step that fails is skipped and the search goes on. The site
// failing (no answer, an error status, a page that cannot be read) is the everyday case and goes
// unsaid; anything else is a fault of the program's and is reported.
template <typename Step>
void Guarded(Step&& step) noexcept {
    try {
        step();
    } catch (const SiteError&) {
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
    }
}

Text CountText(TextView page) {
    return AfterFirst(BeforeMarker(AfterMarker(page, u"找到相关结果共"), u"</font>个"), u'>');
}

Text ResultsBlock(TextView page) {
    return BeforeMarker(AfterMarker(page, u"class=\"songNum\""), u"soBottom");
}

Text CleanName(TextView raw) {
    Text name = RemoveAll(raw, u" ");
    name = RemoveAll(name, u"\uE7FF");
    name = RemoveAll(name, u"\t");
    name = RemoveAll(name, u"\r\n");
    name = TrimSpaces(name);
    return RemoveAll(name, u"\uE814\uE814\uE814\uE814\uE814");
}

void Deliver(const SearchResult& hit, SearchHost& host) {
    if (host.state.SearchTarget == TargetPlaylist) {
        host.hits.AddToPlaylist(hit);
    } else {
        host.hits.AddResultRow(hit);
    }
}

void ScrapePage(TextView page, SiteAccess& site, SearchHost& host) {
    std::vector<HitMatch> matches;
    Text block;
    Guarded([&] {
        block = ResultsBlock(page);
        matches = FindHitMatches(block);
    });
    for (const HitMatch& match : matches) {
        Guarded([&] {
            SearchResult hit;
            const TextView group =
                TextView(block).substr(match.groupBegin, match.groupEnd - match.groupBegin);
            if (CutHit(group, site.hosts.site, hit)) Deliver(hit, host);
        });
        Guarded([&] { site.pump.RunPending(); });
    }
}

// The page at address; nothing when the site could not be reached in tries attempts. A program
// fault is reported and reads as an empty page, as a failing step does elsewhere.
std::optional<Text> FetchResultPage(SiteAccess& site, TextView address, int tries) noexcept {
    for (int attempt = 1;; ++attempt) {
        try {
            return FetchPage(site, address, kCharsetAuto);
        } catch (const SiteUnreachable&) {
            if (attempt >= tries) return std::nullopt;
        } catch (const SiteError&) {
            return std::nullopt;
        } catch (...) {
            MULAN_REPORT_EXCEPTION();
            return Text();
        }
        Guarded([&] { site.pump.Pause(kRetryPause); });
    }
}

SearchOutcome EndSearch(SearchHost& host, SearchOutcome outcome) {
    host.state.SearchPage = 0;
    Guarded([&] {
        if (outcome == SearchOutcome::SiteNotReached) {
            host.status.SetStatusPanel2(kSearchFailedText);
            return;
        }
        const int32_t count = host.state.SearchTarget == TargetPlaylist ? host.hits.PlaylistCount()
                                                                        : host.hits.ResultRowCount();
        host.status.SetStatusPanel2(u"共找到" + DecimalText(count) + u"首音乐信息!");
    });
    Guarded([&] { host.status.SetResultsCaption(u"音乐搜索信息!"); });
    if (host.state.SearchTarget != TargetPlaylist) Guarded([&] { host.hits.FinishResultsList(); });
    return outcome;
}

}  // namespace

PageCount PagesForCountText(TextView countText) {
    size_t digits = 0;
    while (digits < countText.size() && countText[digits] >= u'0' && countText[digits] <= u'9') ++digits;
    // Leading zeros do not count towards the size of the number.
    size_t first = 0;
    while (first + 1 < digits && countText[first] == u'0') ++first;
    constexpr int16_t kMaxPages = 32767;
    if (digits - first > 7) return PageCount{false, 0};
    int64_t hits = 0;
    for (size_t i = first; i < digits; ++i) hits = hits * 10 + (countText[i] - u'0');
    int64_t pages = hits / kHitsPerPage;
    const int64_t rest = hits % kHitsPerPage;
    if (rest * 2 > kHitsPerPage || (rest * 2 == kHitsPerPage && pages % 2 == 1)) ++pages;
    if (pages > kMaxPages) return PageCount{false, 0};
    return PageCount{true, static_cast<int16_t>(pages)};
}

bool CutHit(TextView group, TextView siteHost, SearchResult& hit) {
    if (TrimSpaces(group).empty()) return false;
    if (!Contains(group, u"\">")) return false;
    Text s = RemoveAll(group, u"</a><a");
    s = RemoveAll(s, u"\"");
    s = RemoveAll(s, u".htm");
    s = ReplaceAll(s, Text(siteHost) + u"/play/", u"http://" + Text(siteHost) + u"/mp3.asp?id=");
    hit.name = CleanName(AfterFirst(s, u'>'));
    hit.id = AfterFirst(BeforeMarker(s, u">"), u'=');
    return true;
}

std::vector<SearchResult> ScrapeHits(TextView block, TextView siteHost) {
    std::vector<SearchResult> hits;
    for (const HitMatch& match : FindHitMatches(block)) {
        SearchResult hit;
        if (CutHit(block.substr(match.groupBegin, match.groupEnd - match.groupBegin), siteHost, hit)) {
            hits.push_back(std::move(hit));
        }
    }
    return hits;
}

Text FirstSearchPageAddress(const SiteAccess& site, TextView words) {
    return u"http://" + site.hosts.search + u"/so.asp?key=" + EncodeQuery(words, site.codec);
}

SearchOutcome RunSearch(Text& address, SiteAccess& site, SearchHost& host) {
    for (bool firstPage = true;; firstPage = false) {
        Guarded([&] { address = u"http://" + RemoveAll(address, u"http://"); });
        std::optional<Text> fetched = FetchResultPage(site, address, firstPage ? kFirstPageTries : 1);
        if (!fetched && firstPage) return EndSearch(host, SearchOutcome::SiteNotReached);
        // A later page that fails reads as empty: the hits delivered so far are real and counted.
        const Text page = std::move(fetched).value_or(Text());
        Guarded([&] {
            const PageCount count = PagesForCountText(CountText(page));
            if (count.fits) host.state.SearchPageCount = count.pages;
        });
        ScrapePage(page, site, host);
        if (host.state.SearchPage >= host.state.SearchPageCount) break;
        host.state.SearchPage = static_cast<int16_t>(host.state.SearchPage + 1);
        Guarded([&] {
            host.status.SetResultsCaption(u"共找到" + DecimalText(host.state.SearchPageCount) +
                                          u"页数据,正在分析第" + DecimalText(host.state.SearchPage) +
                                          u"页数据，请稍候。。");
        });
        Guarded([&] {
            address = u"http://" + site.hosts.search + u"/so.asp?page=" + DecimalText(host.state.SearchPage) +
                      u"&key=" + EncodeQuery(host.box.CurrentText(), site.codec);
        });
    }
    return EndSearch(host, SearchOutcome::Counted);
}

}  // namespace mulan::site
