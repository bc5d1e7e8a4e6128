#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "site/search_result.h"
#include "site/site_access.h"

namespace mulan::site {

inline constexpr int16_t TargetPlaylist = 1;
inline constexpr int16_t TargetResults = 3;

// Shared by the main window's handlers and every running search; a search nested in another one
// (through the pump) shares it without any guard, as the windows expect.
struct SearchState {
    int16_t SearchPage = 1;       // page being fetched; 0 once a search has ended
    int16_t SearchPageCount = 0;  // pages to fetch, recomputed from every page
    int16_t SearchTarget = TargetPlaylist;
};

// Where hits go. The main window implements it with its playlist (AddItem, ListCount) and the
// results window's list (rows, FinishResultsList). Which of the two a hit goes to is decided per hit
// from SearchState::SearchTarget.
class HitSink {
  public:
    virtual ~HitSink() = default;
    // Playlist AddItem: Title = name, Author = id, URL = id, StrTime empty, appended.
    virtual void AddToPlaylist(const SearchResult& result) = 0;
    virtual int32_t PlaylistCount() = 0;
    // A new last row of the results list: row text = id, sub-item 1 = name.
    virtual void AddResultRow(const SearchResult& result) = 0;
    virtual int32_t ResultRowCount() = 0;
    // Sizes the columns and selects and reveals the last row (the results window's own steps).
    virtual void FinishResultsList() = 0;
};

// Where a search reports: the results window's caption and panel 2 of the main window's status bar.
class SearchStatusSink {
  public:
    virtual ~SearchStatusSink() = default;
    virtual void SetResultsCaption(TextView caption) = 0;
    virtual void SetStatusPanel2(TextView text) = 0;
};

// The search box, read afresh for the key of every page after the first.
class SearchBox {
  public:
    virtual ~SearchBox() = default;
    virtual Text CurrentText() = 0;
};

struct SearchHost {
    SearchState& state;
    HitSink& hits;
    SearchStatusSink& status;
    SearchBox& box;
};

// Panel 2 at the end of a search whose first page could not be fetched: the site did not answer,
// which is not the same as a site that found nothing.
inline constexpr char16_t kSearchFailedText[] = u"搜索失败：无法连接音乐网站";

// "http://" + search host + "/so.asp?key=" + EncodeQuery(words).
Text FirstSearchPageAddress(const SiteAccess& site, TextView words);

// How a search ended: with a count of what it found, or without an answer from the site.
enum class SearchOutcome { Counted, SiteNotReached };

// Fetches result page after result page from address, delivering each hit; address is rewritten
// with each next page's address. Every step is guarded, nothing is thrown: a failing delivery loses
// that hit, and a failing fetch reads as an empty page, which ends the search with the count so far
// - except on the first page, where the search ends with kSearchFailedText (SiteNotReached). A
// first page refused because nothing listens yet (a site started together with the player) is
// tried a few more times first, a second apart.
SearchOutcome RunSearch(Text& address, SiteAccess& site, SearchHost& host);

// The number of pages for a hit count text: its leading decimal number / 20, halves to even;
// empty when the text does not start with a digit (0 pages) or the result does not fit 16 bits.
struct PageCount {
    bool fits = true;
    int16_t pages = 0;
};
PageCount PagesForCountText(TextView countText);

// One match's first group cut into id and name; false when the group gives no hit (blank, or
// without a double quote followed by ">").
bool CutHit(TextView group, TextView siteHost, SearchResult& hit);

// The hits of one page's results block, in page order.
std::vector<SearchResult> ScrapeHits(TextView block, TextView siteHost);

}  // namespace mulan::site
