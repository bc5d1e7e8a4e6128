#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace mulan::library {

// Escapers for the site's pages. UTF-8 in and out. The player shows what it scrapes as it stands, without
// reading references, so each escaper writes only as many references as its place needs.

// Tag text: &, < and > as references, so no text can open or close a tag ("</div>", "</a>").
std::string HtmlText(std::string_view value);

// Attribute values: HtmlText and both quotes.
std::string HtmlAttr(std::string_view value);

// HtmlAttr with '=' and everything outside ASCII as decimal references. For echoing search words and
// titles where the player looks for Chinese markers, or where the player sniffs "charset=gb2312" in
// the first bytes of a page: no such text can then plant one.
std::string AsciiAttr(std::string_view value);

// HtmlAttr with '=' as &#61;, so that no title can plant a second "firstplay=" on a play page.
std::string PlayText(std::string_view value);

// escaped (already through one of the escapers above) with the first character of every occurrence of a
// marker written as a reference. Occurrences are looked for as the player does after taking out spaces,
// tabs and line breaks, so "Baidu Button BEGIN" is broken as well as "BaiduButtonBEGIN". Markers are
// plain text without &, #, ; and digits, so no reference can complete one.
std::string BreakMarkers(std::string_view escaped, std::initializer_list<std::string_view> markers);

}  // namespace mulan::library
