#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/text.h"
#include "site/site_access.h"

namespace mulan::site {

// The main window's hidden lyric line list (List1): the display reads the lines back from it.
class LyricLines {
  public:
    virtual ~LyricLines() = default;
    virtual void Clear() = 0;
    virtual void Add(TextView line) = 0;
};

// The label under the player (Label1) that shows the lyrics' notices.
class LyricLabel {
  public:
    virtual ~LyricLabel() = default;
    virtual void SetCaption(TextView caption) = 0;
};

// The lines and the label's last caption, kept in memory: for a caller without the windows.
struct CollectedLyrics final : LyricLines, LyricLabel {
    void Clear() override { lines.clear(); }
    void Add(TextView line) override { lines.emplace_back(line); }
    void SetCaption(TextView text) override { caption = text; }

    std::vector<Text> lines;
    Text caption;
};

inline constexpr char16_t kFetchingLyrics[] = u"正在获取歌词。。。";
inline constexpr char16_t kNoLyrics[] = u"暂无歌词";
inline constexpr char16_t kLyricsFailed[] = u"歌词获取失败";

// Fills lines from the song's lyrics page. A page without lyrics sets the label to "暂无歌词".
// Throws SiteError when the fetch fails or the page lacks BaiduButtonBEGIN or </div>; the lines are
// then empty and the label says "正在获取歌词。。。".
void FetchLyrics(SiteAccess& site, int32_t id, LyricLines& lines, LyricLabel& label);

// The lyrics step of playing an entry: FetchLyrics when the entry's id has a number. Without one, or
// when the fetch fails, the lines are emptied (the previous song's must not run on under this one)
// and the label says "歌词获取失败"; false then.
bool FetchEntryLyrics(SiteAccess& site, TextView id, LyricLines& lines, LyricLabel& label);

// The reading of a lyrics page on its own: the lines, or nothing for a page without lyrics.
std::optional<std::vector<Text>> LyricLinesFromPage(TextView page);

// The id text of an entry as the player converts it for FetchLyrics: decimal, optionally signed and
// surrounded by spaces, within 32 bits. Anything else has no number.
std::optional<int32_t> SongIdNumber(TextView id);

}  // namespace mulan::site
