"""HTML pages of the site, in GBK, laid out the way the player cuts them apart.

What the player relies on, and what the layouts below keep true:

- Every page declares "charset=gb2312" within its first 1000 bytes.
- Search pages: the first "找到相关结果共" is followed by a font tag, the hit count and
  "</font>个"; the results block runs from the first class="songNum" to the first
  "soBottom". Inside it the only links starting href="http:// are the song links, each
  written as <a href="http://SITE/play/ID.htm">NAME</a> directly followed by the singer's
  <a ...>SINGER</a> on the same line; other links in the block are site-relative or
  protocol-relative so they never look like song links.
- Play pages: the first "firstplay=" (once spaces, tabs and CR LF are gone) is the
  assignment of the audio path, closed by the first ";}catch(e)".
- Lyrics pages: the first "歌曲播放：" comes before the lyrics <div>, whose text starts right
  after its ">" with the first "[" of the .lrc; lines end in "<BR>"; the </div> comes before
  "BaiduButtonBEGIN". The no-lyrics page says "我要上传歌词", the page of an unknown song
  "无法找到该页", and neither phrase appears on any other page.
"""

import html

from .catalogue import PAGE_SIZE, page_count
from .query import encode_query

SITE_NAME = "沐岚音乐网"
CONTENT_TYPE = "text/html; charset=gb2312"
NL = "\r\n"

STYLE = (
    "body{margin:0;font:12px/1.6 宋体,SimSun,sans-serif;color:#333;background:#f4f6f8}"
    " a{color:#1a4d8f;text-decoration:none} .top{background:#2e6eb4;color:#fff;padding:6px 12px}"
    " .top a{color:#fff;margin-right:10px} .logo{font-size:18px;font-weight:bold}"
    " .main{width:760px;margin:10px auto;background:#fff;padding:10px 16px}"
    " .songList ul{list-style:none;margin:0;padding:0} .songList li{border-bottom:1px dotted #ccc}"
    " .songNum{display:inline-block;width:40px} .songName{display:inline-block;width:480px}"
    " .singer{margin-left:12px;color:#777} .lrc{line-height:2} .foot{text-align:center;color:#999}"
)

ERRORS = {
    400: ("错误的请求", "HTTP 错误 400 - 请求无效。", "请求的地址或参数不正确，请检查后重试。"),
    404: ("无法找到该页", "HTTP 错误 404 - 文件或目录未找到。", "您正在搜索的页面可能已经删除、更名或暂时不可用。"),
    405: ("不允许使用此方法", "HTTP 错误 405 - 用于访问该页的 HTTP 动作未被许可。", "本站只接受 GET 和 HEAD 请求。"),
    416: ("请求的范围无法满足", "HTTP 错误 416 - 请求的范围无效。", "请求的字节范围超出了文件的长度。"),
    500: ("服务器内部错误", "HTTP 错误 500 - 内部服务器错误。", "服务器处理请求时出错，请稍后再试。"),
}


class Hosts:
    """Host names (with port) that pages link to."""

    def __init__(self, site, search, media):
        self.site, self.search, self.media = site, search, media


def encode(page):
    """The page as GBK bytes; characters GBK lacks become numeric character references."""
    return page.encode("gbk", errors="xmlcharrefreplace")


def text(value):
    return html.escape(value, quote=False)


def attr(value):
    return html.escape(value, quote=True)


def ascii_attr(value):
    """An attribute value with everything outside ASCII as character references.

    Used for echoing the search words above the hit count, so that no search can plant one
    of the page's Chinese markers in front of the real one.
    """
    return "".join(c if c.isascii() else "&#%d;" % ord(c) for c in attr(value))


def play_text(value):
    """Text of a play page; no "=" so that no title can plant a second "firstplay=" before the script's."""
    return attr(value).replace("=", "&#61;")


def _head(title_html):
    return [
        '<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN"'
        ' "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">',
        '<html xmlns="http://www.w3.org/1999/xhtml">',
        "<head>",
        '<meta http-equiv="Content-Type" content="text/html; charset=gb2312" />',
        "<title>%s - %s</title>" % (title_html, SITE_NAME),
        '<meta name="keywords" content="在线听歌,歌曲搜索,歌词,%s" />' % SITE_NAME,
        "<style type=\"text/css\">%s</style>" % STYLE,
        "</head>",
        "<body>",
    ]


def _top(hosts, key=""):
    return [
        '<div class="top">',
        '<span class="logo"><a href="http://%s/" title="%s">%s</a></span>' % (hosts.site, SITE_NAME, SITE_NAME),
        '<a href="http://%s/">首页</a><a href="http://%s/so.asp?key=%s">热门歌曲</a>'
        '<a href="http://%s/">歌手大全</a>' % (hosts.site, hosts.search, encode_query("热门"), hosts.site),
        '<form action="http://%s/so.asp" method="get" style="display:inline">' % hosts.search,
        '<input type="text" name="key" value="%s" size="30" /><input type="submit" value="搜索" /></form>'
        % ascii_attr(key),
        "</div>",
    ]


def _foot(hosts):
    return [
        '<div class="foot">',
        '<a href="http://%s/">%s</a> | <a href="http://%s/so.asp">歌曲搜索</a> | 本站仅供测试使用'
        % (hosts.site, SITE_NAME, hosts.search),
        "</div>",
        "</body>",
        "</html>",
        "",
    ]


def search_page(hosts, key, page, total, shown):
    """Result page number page (from 1) for the words key: total hits, shown the songs of this page."""
    pages = page_count(total)
    lines = _head(ascii_attr(key) + " 歌曲搜索" if key.strip() else "歌曲搜索")
    lines += _top(hosts, key)
    lines += [
        '<div class="main">',
        '<div class="soTip">找到相关结果共<font color="#c60a00">%d</font>个，与“%s”相关的歌曲，'
        "当前第%d/%d页</div>" % (total, attr(key), page, pages),
        '<div class="songList">',
        '<ul class="songHead"><li><span class="songNum">序号</span><span class="songName">歌曲名称 / 歌手</span>'
        '<span class="songLrc">歌词</span></li></ul>',
        '<ul class="songItems">',
    ]
    first = (page - 1) * PAGE_SIZE + 1
    for n, song in enumerate(shown, start=first):
        lines.append(_hit_line(hosts, n, song))
    lines += ["</ul>", "</div>", '<div class="soBottom">']
    lines += _page_links(key, page, pages)
    lines += ["</div>", "</div>"]
    return NL.join(lines + _foot(hosts))


def _hit_line(hosts, number, song):
    return (
        '<li><span class="songNum">%d.</span><span class="songName">'
        '<a href="http://%s/play/%s.htm">%s</a><a href="/so.asp?key=%s" class="singer" target="_blank">%s</a>'
        '</span><span class="songLrc"><a href="//%s/geci/%s.htm" target="_blank">歌词</a></span></li>'
        % (number, hosts.site, song.id, text(song.title), encode_query(song.singer), text(song.singer), hosts.site, song.id)
    )


def _page_links(key, page, pages):
    if pages <= 1:
        return []
    key_value = encode_query(key)

    def link(n, label):
        return '<a href="/so.asp?page=%d&amp;key=%s">%s</a>' % (n, key_value, label)

    parts = []
    if 1 < page <= pages:
        parts.append(link(page - 1, "上一页"))
    for n in range(1, pages + 1):
        parts.append("<b>%d</b>" % n if n == page else link(n, n))
    if page < pages:
        parts.append(link(page + 1, "下一页"))
    return [" ".join(parts)]


def play_page(hosts, song):
    lines = _head(play_text("%s - %s 在线试听" % (song.title, song.singer)))
    lines += _top(hosts)
    lines += [
        '<div class="main">',
        "<h1>%s</h1>" % play_text(song.title),
        '<p>歌手：<a href="http://%s/so.asp?key=%s">%s</a></p>' % (hosts.search, encode_query(song.singer), play_text(song.singer)),
    ]
    lines += _song_details(song)
    lines += [
        '<div id="player">正在载入播放器……</div>',
        '<p><a href="//%s/geci/%s.htm">查看歌词</a> <a href="http://%s%s">下载歌曲</a></p>'
        % (hosts.site, song.id, hosts.media, song.media_path),
        "</div>",
        '<script type="text/javascript">',
        "var firstplay;",
        "try{",
        '\tfirstplay = "%s";' % song.media_path,
        "}catch(e){ firstplay = \"\"; }",
        'document.getElementById("player").innerHTML = \'<embed src="http://%s\' + firstplay + \'" autostart="true"></embed>\';'
        % hosts.media,
        "</script>",
    ]
    return NL.join(lines + _foot(hosts))


def _song_details(song):
    details = []
    if song.album:
        details.append("<p>专辑：%s</p>" % play_text(song.album))
    if song.duration:
        minutes, seconds = divmod(int(round(song.duration)), 60)
        details.append("<p>时长：%d:%02d</p>" % (minutes, seconds))
    return details


def lyrics_page(hosts, song, lrc_lines):
    """The lyrics page of song; lrc_lines None gives the page that asks for lyrics."""
    # Titles and singers from tags must not carry the page's Chinese markers: written as references.
    lines = _head(ascii_attr("%s 歌词" % song.title))
    lines += _top(hosts)
    lines += ['<div class="main">', "<h1>%s 歌词</h1>" % ascii_attr(song.title)]
    if lrc_lines is None:
        lines += [
            "<p>歌手：%s</p>" % ascii_attr(song.singer),
            '<p>暂无歌词，<a href="//%s/upload.htm?id=%s">我要上传歌词</a></p>' % (hosts.site, song.id),
        ]
    else:
        lines += [
            '<p class="info">歌手：%s　歌曲播放：<a href="http://%s/play/%s.htm" target="_blank">在线试听</a></p>'
            % (ascii_attr(song.singer), hosts.site, song.id),
            '<div class="lrc" id="lrc_content">' + "".join(text(line) + "<BR>" + NL for line in lrc_lines) + "</div>",
            "<!-- Baidu Button BEGIN -->",
            '<div id="bdshare" class="bdshare_t">分享到：<a class="bds_qzone">QQ空间</a><a class="bds_tsina">新浪微博</a></div>',
            "<!-- Baidu Button END -->",
        ]
    lines.append("</div>")
    return NL.join(lines + _foot(hosts))


def home_page(hosts, songs, total):
    """The home page: the first of all songs (total of them)."""
    lines = _head("首页")
    lines += _top(hosts)
    lines += ['<div class="main">', "<h2>全部歌曲（共%d首）</h2>" % total, "<ul>"]
    for song in songs:
        lines.append(
            '<li><a href="http://%s/play/%s.htm">%s</a> - %s</li>' % (hosts.site, song.id, text(song.title), text(song.singer))
        )
    lines += ["</ul>", "</div>"]
    return NL.join(lines + _foot(hosts))


def error_page(hosts, status):
    title, heading, detail = ERRORS.get(status, ("出错了", "HTTP 错误 %d。" % status, "服务器无法完成该请求。"))
    lines = _head(title)
    lines += _top(hosts)
    lines += ['<div class="main">', "<h1>%s</h1>" % title, "<p>%s</p>" % detail, "<hr />", "<p>%s</p>" % heading, "</div>"]
    return NL.join(lines + _foot(hosts))
