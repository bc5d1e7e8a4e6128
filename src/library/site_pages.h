#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/song.h"
#include "library/song_source.h"
#include "site/codec.h"

namespace mulan::library {

// Host names (with port, no scheme) that pages link to.
struct PageHosts {
    std::string site;    // play and lyrics pages, home page
    std::string search;  // search pages
    std::string media;   // audio files
};

// A rendered page: status, Content-Type and the encoded body.
struct Page {
    int status = 200;
    std::string contentType;
    std::string body;
};

inline constexpr char kUtf8Html[] = "text/html; charset=utf-8";
inline constexpr char kGbkHtml[] = "text/html; charset=gb2312";

// Search and play pages (and the home page) go out in UTF-8, which the player reads for any page that
// does not declare "charset=gb2312", so that titles GBK cannot encode reach it as they are. Lyrics and
// error pages go out in GBK, as the player reads lyrics pages whatever they declare.
Page SearchResultPage(const PageHosts& hosts, std::string_view key, std::size_t page, const SearchPage& hits,
                      const site::Codec& codec);
Page PlayPage(const PageHosts& hosts, const Song& song, const site::Codec& codec);
// lines nullopt: the page that asks for lyrics ("我要上传歌词").
Page LyricsPage(const PageHosts& hosts, const Song& song,
                const std::optional<std::vector<std::string>>& lines, const site::Codec& codec);
Page HomePage(const PageHosts& hosts, const std::vector<Song>& songs, std::size_t total,
              const site::Codec& codec);
Page ErrorPage(const PageHosts& hosts, int status, const site::Codec& codec);

// The song's audio address on the media server: "/music/ID/NAME.EXT", NAME.EXT being its file's name,
// percent-encoded as UTF-8, so that the player's download proposes the file's own name.
std::string MediaPath(const Song& song);

}  // namespace mulan::library
