#include "site/lyrics.h"

#include "base/decimal_text.h"
#include "site/codec.h"
#include "site/fetch_page.h"
#include "site/site_error.h"
#include "site/text_cut.h"

namespace mulan::site {

std::optional<std::vector<Text>> LyricLinesFromPage(TextView page) {
    Text text = RemoveAll(page, u"\r\n");
    text = RemoveAll(text, u"\t");
    text = RemoveAll(text, u" ");
    text = RemoveAll(text, u"\r");
    if (Contains(text, u"我要上传歌词") || Contains(text, u"无法找到该页")) return std::nullopt;
    text = AfterMarker(text, u"歌曲播放：");
    const size_t end = text.find(u"BaiduButtonBEGIN");
    if (end == Text::npos) throw SiteError("the lyrics page has no BaiduButtonBEGIN");
    text.resize(end);
    const size_t start = text.find(u">[");
    if (start != Text::npos) text.erase(0, start + 1);
    const size_t close = text.find(u"</div>");
    if (close == Text::npos) throw SiteError("the lyrics page has no </div> after the lyrics");
    text.resize(close);
    text = ReplaceAll(text, u"<BR>", u"-");
    std::vector<Text> lines;
    size_t pos = 0;
    for (;;) {
        const size_t dash = text.find(u'-', pos);
        const Text piece = text.substr(pos, dash == Text::npos ? Text::npos : dash - pos);
        if (!TrimSpaces(piece).empty()) lines.push_back(piece);
        if (dash == Text::npos) break;
        pos = dash + 1;
    }
    return lines;
}

void FetchLyrics(SiteAccess& site, int32_t id, LyricLines& lines, LyricLabel& label) {
    lines.Clear();
    label.SetCaption(kFetchingLyrics);
    const Text address = u"http://" + site.hosts.site + u"/geci/" + DecimalText(id) + u".htm";
    const Text page = FetchPage(site, address, kCharsetGb2312);
    std::optional<std::vector<Text>> found;
    try {
        found = LyricLinesFromPage(page);
    } catch (const SiteError& error) {
        throw SiteError(TextToUtf8(address) + ": " + error.what());
    }
    if (!found) {
        label.SetCaption(kNoLyrics);
        return;
    }
    for (const Text& line : *found) lines.Add(line);
}

bool FetchEntryLyrics(SiteAccess& site, TextView id, LyricLines& lines, LyricLabel& label) {
    try {
        if (const auto number = SongIdNumber(id)) {
            FetchLyrics(site, *number, lines, label);
            return true;
        }
    } catch (const SiteError&) {
    }
    lines.Clear();
    label.SetCaption(kLyricsFailed);
    return false;
}

std::optional<int32_t> SongIdNumber(TextView id) {
    const Text trimmed = TrimSpaces(id);
    size_t i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'-' || trimmed[i] == u'+')) negative = trimmed[i++] == u'-';
    if (i == trimmed.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < trimmed.size(); ++i) {
        if (trimmed[i] < u'0' || trimmed[i] > u'9') return std::nullopt;
        value = value * 10 + (trimmed[i] - u'0');
        if (value > int64_t{1} << 31) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

}  // namespace mulan::site
