// The site's pages, laid out the way the player cuts them apart:
// - Search pages: the first "找到相关结果共" is followed by a font tag, the hit count and "</font>个"; the
//   results block runs from the first class="songNum" to the first "soBottom". Inside it the only links
//   starting href="http:// are the song links, each <a href="http://SITE/play/ID.htm">NAME</a> directly
//   followed by the singer's <a ...>SINGER</a> on the same line; other links in the block are
//   site-relative or protocol-relative so that they never look like song links.
// - Play pages: the first "firstplay=" (once spaces, tabs and CR LF are gone) is the assignment of the
//   audio path, closed by the first ";}catch(e)".
// - Lyrics pages: the first "歌曲播放：" comes before the lyrics <div>, whose text starts right after its
//   ">" with the first "[" of the .lrc; lines end in "<BR>"; the </div> comes before "BaiduButtonBEGIN".
//   The no-lyrics page says "我要上传歌词", the page of an unknown song "无法找到该页", and neither phrase
//   appears on any other page.
// - Search, play and home pages are UTF-8 and never hold "charset=gb2312" in their first 1000 bytes;
//   lyrics and error pages are GBK and declare it there.
#include "library/site_pages.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <unordered_map>

#include "base/text.h"
#include "library/gbk_text.h"
#include "library/html_text.h"
#include "library/search_text.h"
#include "site/encode_query.h"

namespace mulan::library {

namespace {

constexpr std::string_view kSiteName = "沐岚音乐网";
constexpr std::string_view kStyle =
    "body{margin:0;font:12px/1.6 宋体,SimSun,sans-serif;color:#333;background:#f4f6f8}"
    " a{color:#1a4d8f;text-decoration:none} .top{background:#2e6eb4;color:#fff;padding:6px 12px}"
    " .top a{color:#fff;margin-right:10px} .logo{font-size:18px;font-weight:bold}"
    " .main{width:760px;margin:10px auto;background:#fff;padding:10px 16px}"
    " .songList ul{list-style:none;margin:0;padding:0} .songList li{border-bottom:1px dotted #ccc}"
    " .songNum{display:inline-block;width:40px} .songName{display:inline-block;width:480px}"
    " .singer{margin-left:12px;color:#777} .lrc{line-height:2} .foot{text-align:center;color:#999}";

// Page links on either side of the current page; the first and the last page are always linked.
constexpr std::size_t kLinkedNeighbours = 4;

enum class Charset { Utf8, Gbk };

struct ErrorText {
    int status;
    std::string_view title, heading, detail;
};

constexpr ErrorText kErrors[] = {
    {400, "错误的请求", "HTTP 错误 400 - 请求无效。", "请求的地址或参数不正确，请检查后重试。"},
    {404, "无法找到该页", "HTTP 错误 404 - 文件或目录未找到。",
     "您正在搜索的页面可能已经删除、更名或暂时不可用。"},
    {405, "不允许使用此方法", "HTTP 错误 405 - 用于访问该页的 HTTP 动作未被许可。",
     "本站只接受 GET 和 HEAD 请求。"},
    {416, "请求的范围无法满足", "HTTP 错误 416 - 请求的范围无效。", "请求的字节范围超出了文件的长度。"},
    {500, "服务器内部错误", "HTTP 错误 500 - 内部服务器错误。", "服务器处理请求时出错，请稍后再试。"},
};

// Appends one line of the page, its parts joined, ended by CR LF.
void Line(std::string& page, std::initializer_list<std::string_view> parts) {
    for (const std::string_view part : parts) page += part;
    page += "\r\n";
}

std::string Number(std::size_t value) {
    return std::to_string(value);
}

std::string IdText(SongId id) {
    return std::to_string(id);
}

// The codec as the player's query encoder uses it, one UTF-16 unit at a time, made quick for a page with
// many links: ASCII is answered at once (GBK writes it as itself), other units are remembered. One page's
// own: it is not shared between threads.
class QueryCodec final : public site::Codec {
  public:
    explicit QueryCodec(const site::Codec& codec) : codec_(codec) {}

    Text Decode(std::string_view bytes, std::u16string_view charset) const override {
        return codec_.Decode(bytes, charset);
    }

    std::string Encode(TextView text, std::u16string_view charset) const override {
        if (text.size() != 1 || site::ClassifyCharset(charset) != site::CharsetKind::Gbk) {
            return codec_.Encode(text, charset);
        }
        if (text[0] < 0x80) return std::string(1, static_cast<char>(text[0]));
        const auto found = units_.find(text[0]);
        if (found != units_.end()) return found->second;
        return units_.emplace(text[0], codec_.Encode(text, charset)).first->second;
    }

  private:
    const site::Codec& codec_;
    mutable std::unordered_map<char16_t, std::string> units_;
};

// The player's own encoding of a search key, as it would send it, for links. Letters stand as they are
// there, so a singer's link could spell the end of the results block: its "s" goes percent-encoded.
std::string KeyValue(std::string_view utf8, const site::Codec& codec) {
    std::string value = TextToUtf8(site::EncodeQuery(Utf8ToText(utf8), codec));
    for (std::size_t at = value.find("soBottom"); at != std::string::npos; at = value.find("soBottom", at)) {
        value.replace(at, 1, "%73");
    }
    return value;
}

std::size_t PageCount(std::size_t hits) {
    return hits / kPageSize + (hits % kPageSize != 0 ? 1 : 0);
}

void Head(std::string& page, std::string_view titleHtml, Charset charset) {
    Line(page, {"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\""
                " \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">"});
    Line(page, {"<html xmlns=\"http://www.w3.org/1999/xhtml\">"});
    Line(page, {"<head>"});
    Line(page, {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=",
                charset == Charset::Utf8 ? "utf-8" : "gb2312", "\" />"});
    Line(page, {"<title>", titleHtml, " - ", kSiteName, "</title>"});
    Line(page, {"<meta name=\"keywords\" content=\"在线听歌,歌曲搜索,歌词,", kSiteName, "\" />"});
    Line(page, {"<style type=\"text/css\">", kStyle, "</style>"});
    Line(page, {"</head>"});
    Line(page, {"<body>"});
}

void Top(std::string& page, const PageHosts& hosts, std::string_view key, const site::Codec& codec) {
    Line(page, {"<div class=\"top\">"});
    Line(page, {"<span class=\"logo\"><a href=\"http://", hosts.site, "/\" title=\"", kSiteName, "\">",
                kSiteName, "</a></span>"});
    Line(page, {"<a href=\"http://", hosts.site, "/\">首页</a><a href=\"http://", hosts.search,
                "/so.asp?key=", KeyValue("热门", codec), "\">热门歌曲</a><a href=\"http://", hosts.site,
                "/\">歌手大全</a>"});
    Line(page,
         {"<form action=\"http://", hosts.search, "/so.asp\" method=\"get\" style=\"display:inline\">"});
    Line(page, {"<input type=\"text\" name=\"key\" value=\"", AsciiAttr(key),
                "\" size=\"30\" /><input type=\"submit\" value=\"搜索\" /></form>"});
    Line(page, {"</div>"});
}

void Foot(std::string& page, const PageHosts& hosts) {
    Line(page, {"<div class=\"foot\">"});
    Line(page, {"<a href=\"http://", hosts.site, "/\">", kSiteName, "</a> | <a href=\"http://", hosts.search,
                "/so.asp\">歌曲搜索</a> | 本站仅供测试使用"});
    Line(page, {"</div>"});
    Line(page, {"</body>"});
    Line(page, {"</html>"});
}

Page Finish(int status, std::string page, Charset charset, const site::Codec& codec) {
    if (charset == Charset::Utf8) return Page{status, kUtf8Html, std::move(page)};
    return Page{status, kGbkHtml, EncodeGbkWithReferences(codec, page)};
}

// Tag text inside the results block: the player's block ends at the first "soBottom".
std::string HitText(std::string_view value) {
    return BreakMarkers(HtmlText(value), {"soBottom"});
}

void HitLine(std::string& page, const PageHosts& hosts, std::size_t number, const Song& song,
             const site::Codec& codec) {
    const std::string id = IdText(song.id);
    Line(page, {"<li><span class=\"songNum\">", Number(number),
                ".</span><span class=\"songName\"><a href=\"http://", hosts.site, "/play/", id, ".htm\">",
                HitText(song.title), "</a><a href=\"/so.asp?key=", KeyValue(song.singer, codec),
                "\" class=\"singer\" target=\"_blank\">", HitText(song.singer),
                "</a></span><span class=\"songLrc\"><a href=\"//", hosts.site, "/geci/", id,
                ".htm\" target=\"_blank\">歌词</a></span></li>"});
}

// The pages linked below the hits: the neighbours of the current page, the first and the last, with "…"
// for the pages left out, so that the line stays short however many pages there are.
void PageLinks(std::string& page, std::string_view keyValue, std::size_t current, std::size_t pages) {
    if (pages <= 1) return;
    std::string line;
    const auto link = [&](std::size_t n, std::string_view label) {
        if (!line.empty()) line += ' ';
        line += "<a href=\"/so.asp?page=";
        line += Number(n);
        line += "&amp;key=";
        line += keyValue;
        line += "\">";
        line += label;
        line += "</a>";
    };
    if (current > 1 && current <= pages) link(current - 1, "上一页");
    const std::size_t low = current > kLinkedNeighbours ? current - kLinkedNeighbours : 1;
    const std::size_t high =
        current < pages && pages - current > kLinkedNeighbours ? current + kLinkedNeighbours : pages;
    std::size_t last = 0;  // the last page number written
    const auto number = [&](std::size_t n) {
        if (n > last + 1) line += line.empty() ? "…" : " …";
        if (n == current) {
            if (!line.empty()) line += ' ';
            line += "<b>" + Number(n) + "</b>";
        } else {
            link(n, Number(n));
        }
        last = n;
    };
    number(1);
    for (std::size_t n = std::max<std::size_t>(low, 2); n <= high && n < pages; ++n) number(n);
    number(pages);
    if (current < pages) link(current + 1, "下一页");
    Line(page, {line});
}

void SongDetails(std::string& page, const Song& song) {
    if (!song.album.empty()) Line(page, {"<p>专辑：", PlayText(song.album), "</p>"});
    // A broken tag may give any number; only a sensible length is shown.
    if (!(song.duration > 0) || !(song.duration < 1e9)) return;
    const auto seconds = static_cast<long long>(std::nearbyint(song.duration));
    const std::string rest = std::to_string(seconds % 60);
    Line(page, {"<p>时长：", std::to_string(seconds / 60), ":", rest.size() < 2 ? "0" : "", rest, "</p>"});
}

const ErrorText* FindError(int status) {
    for (const ErrorText& error : kErrors) {
        if (error.status == status) return &error;
    }
    return nullptr;
}

}  // namespace

std::string MediaPath(const Song& song) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::size_t slash = song.path.rfind('/');
    const std::string_view name = slash == std::string::npos ? std::string_view(song.path)
                                                             : std::string_view(song.path).substr(slash + 1);
    std::string out = "/music/" + IdText(song.id) + "/";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

Page SearchResultPage(const PageHosts& hosts, std::string_view key, std::size_t page, const SearchPage& hits,
                      const site::Codec& codec) {
    const std::size_t pages = PageCount(hits.total);
    const QueryCodec queryCodec(codec);
    std::string out;
    out.reserve(6000 + hits.songs.size() * 400);
    Head(out, SearchWords(key).empty() ? std::string("歌曲搜索") : AsciiAttr(key) + " 歌曲搜索",
         Charset::Utf8);
    Top(out, hosts, key, queryCodec);
    Line(out, {"<div class=\"main\">"});
    Line(out,
         {"<div class=\"soTip\">找到相关结果共<font color=\"#c60a00\">", Number(hits.total), "</font>个，与“",
          HtmlAttr(key), "”相关的歌曲，当前第", Number(page), "/", Number(pages), "页</div>"});
    Line(out, {"<div class=\"songList\">"});
    Line(out,
         {"<ul class=\"songHead\"><li><span class=\"songNum\">序号</span><span class=\"songName\">歌曲名称 / "
          "歌手</span><span class=\"songLrc\">歌词</span></li></ul>"});
    Line(out, {"<ul class=\"songItems\">"});
    // Hits are only ever given for a page that exists, so the numbers do not overflow.
    std::size_t number = (std::max<std::size_t>(page, 1) - 1) * kPageSize + 1;
    for (const Song& song : hits.songs) HitLine(out, hosts, number++, song, queryCodec);
    Line(out, {"</ul>"});
    Line(out, {"</div>"});
    Line(out, {"<div class=\"soBottom\">"});
    PageLinks(out, KeyValue(key, queryCodec), page, pages);
    Line(out, {"</div>"});
    Line(out, {"</div>"});
    Foot(out, hosts);
    return Finish(200, std::move(out), Charset::Utf8, codec);
}

Page PlayPage(const PageHosts& hosts, const Song& song, const site::Codec& codec) {
    const std::string id = IdText(song.id);
    const std::string media = MediaPath(song);
    std::string out;
    Head(out, PlayText(song.title + " - " + song.singer + " 在线试听"), Charset::Utf8);
    Top(out, hosts, "", codec);
    Line(out, {"<div class=\"main\">"});
    Line(out, {"<h1>", PlayText(song.title), "</h1>"});
    Line(out, {"<p>歌手：<a href=\"http://", hosts.search, "/so.asp?key=", KeyValue(song.singer, codec),
               "\">", PlayText(song.singer), "</a></p>"});
    SongDetails(out, song);
    Line(out, {"<div id=\"player\">正在载入播放器……</div>"});
    Line(out, {"<p><a href=\"//", hosts.site, "/geci/", id, ".htm\">查看歌词</a> <a href=\"http://",
               hosts.media, media, "\">下载歌曲</a></p>"});
    Line(out, {"</div>"});
    Line(out, {"<script type=\"text/javascript\">"});
    Line(out, {"var firstplay;"});
    Line(out, {"try{"});
    Line(out, {"\tfirstplay = \"", media, "\";"});
    Line(out, {"}catch(e){ firstplay = \"\"; }"});
    Line(out, {"document.getElementById(\"player\").innerHTML = '<embed src=\"http://", hosts.media,
               "' + firstplay + '\" autostart=\"true\"></embed>';"});
    Line(out, {"</script>"});
    Foot(out, hosts);
    return Finish(200, std::move(out), Charset::Utf8, codec);
}

Page LyricsPage(const PageHosts& hosts, const Song& song,
                const std::optional<std::vector<std::string>>& lines, const site::Codec& codec) {
    const std::string id = IdText(song.id);
    std::string out;
    // Titles and singers from tags must not carry the page's Chinese markers: written as references.
    Head(out, AsciiAttr(song.title + " 歌词"), Charset::Gbk);
    Top(out, hosts, "", codec);
    Line(out, {"<div class=\"main\">"});
    Line(out, {"<h1>", AsciiAttr(song.title), " 歌词</h1>"});
    // An empty div would leave the player the markup before it as a line of lyrics.
    if (!lines || lines->empty()) {
        Line(out, {"<p>歌手：", AsciiAttr(song.singer), "</p>"});
        Line(out,
             {"<p>暂无歌词，<a href=\"//", hosts.site, "/upload.htm?id=", id, "\">我要上传歌词</a></p>"});
    } else {
        Line(out, {"<p class=\"info\">歌手：", AsciiAttr(song.singer), "　歌曲播放：<a href=\"http://",
                   hosts.site, "/play/", id, ".htm\" target=\"_blank\">在线试听</a></p>"});
        out += "<div class=\"lrc\" id=\"lrc_content\">";
        for (const std::string& line : *lines) {
            Line(out, {BreakMarkers(HtmlText(line), {"BaiduButtonBEGIN", "我要上传歌词", "无法找到该页"}),
                       "<BR>"});
        }
        Line(out, {"</div>"});
        Line(out, {"<!-- Baidu Button BEGIN -->"});
        Line(out, {"<div id=\"bdshare\" class=\"bdshare_t\">分享到：<a class=\"bds_qzone\">QQ空间</a><a "
                   "class=\"bds_tsina\">新浪微博</a></div>"});
        Line(out, {"<!-- Baidu Button END -->"});
    }
    Line(out, {"</div>"});
    Foot(out, hosts);
    return Finish(200, std::move(out), Charset::Gbk, codec);
}

Page HomePage(const PageHosts& hosts, const std::vector<Song>& songs, std::size_t total,
              const site::Codec& codec) {
    std::string out;
    out.reserve(4000 + songs.size() * 120);
    Head(out, "首页", Charset::Utf8);
    Top(out, hosts, "", codec);
    Line(out, {"<div class=\"main\">"});
    Line(out, {"<h2>全部歌曲（共", Number(total), "首）</h2>"});
    Line(out, {"<ul>"});
    for (const Song& song : songs) {
        Line(out, {"<li><a href=\"http://", hosts.site, "/play/", IdText(song.id), ".htm\">",
                   HtmlText(song.title), "</a> - ", HtmlText(song.singer), "</li>"});
    }
    Line(out, {"</ul>"});
    Line(out, {"</div>"});
    Foot(out, hosts);
    return Finish(200, std::move(out), Charset::Utf8, codec);
}

Page ErrorPage(const PageHosts& hosts, int status, const site::Codec& codec) {
    const ErrorText* known = FindError(status);
    const std::string title(known ? known->title : "出错了");
    const std::string heading =
        known ? std::string(known->heading) : "HTTP 错误 " + std::to_string(status) + "。";
    const std::string detail(known ? known->detail : "服务器无法完成该请求。");
    std::string out;
    Head(out, title, Charset::Gbk);
    Top(out, hosts, "", codec);
    Line(out, {"<div class=\"main\">"});
    Line(out, {"<h1>", title, "</h1>"});
    Line(out, {"<p>", detail, "</p>"});
    Line(out, {"<hr />"});
    Line(out, {"<p>", heading, "</p>"});
    Line(out, {"</div>"});
    Foot(out, hosts);
    return Finish(status, std::move(out), Charset::Gbk, codec);
}

}  // namespace mulan::library
