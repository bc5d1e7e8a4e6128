#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/site_pages.h"
#include "library/song_source.h"
#include "site/codec.h"

namespace mulan::site_server {

// Which of the three servers a request came to.
enum class Role { Site, Search, Media };

// Songs on the home page.
inline constexpr std::size_t kHomeSongs = 200;

// What answering a request needs. hosts are the ones chosen for this request (by its Host header).
struct RouteContext {
    const library::SongSource& songs;
    library::PageHosts hosts;
    const site::Codec& codec;
};

// Part of a file to send as the body: length bytes from first (length 0 for an empty file).
struct FileBody {
    std::filesystem::path path;
    std::uint64_t first = 0;
    std::uint64_t length = 0;
    std::uint64_t size = 0;  // the whole file's, when the answer was made
};

// The answer to a request. The body is either body or, when file is set, that part of the file; the
// caller adds Content-Length (body.size() or file->length) and, for HEAD, sends no body.
struct Response {
    int status = 200;
    std::string contentType;
    std::string body;
    std::optional<FileBody> file;
    std::vector<std::pair<std::string, std::string>> headers;  // Accept-Ranges, Content-Range, Allow
};

// A request header's value by name (the first one when repeated); nullopt when the request has none.
using HeaderLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The answer to a request for target (as in the request line) that came to the server of role. GET
// and HEAD get the same answer; every other method 405. An audio address names its song by id and
// must carry the song's own file name (percent-escaped or not, as MediaPath writes it). Files are
// never opened or read here: a file body is only named (and its size taken), the caller streams it.
// Throws what the song source or the pages throw; the caller answers that with ErrorResponse(500).
Response Route(Role role, std::string_view method, std::string_view target, const HeaderLookup& header,
               const RouteContext& context);

// The site's error page for status, as a response.
Response ErrorResponse(const RouteContext& context, int status);

// The Content-Type of an audio file by its name's extension (compared without regard to case).
std::string_view AudioContentType(std::string_view fileName);

}  // namespace mulan::site_server
