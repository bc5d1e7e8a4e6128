#include "site_server/site_router.h"

#include <algorithm>
#include <system_error>

#include "site_server/byte_range.h"
#include "site_server/request_target.h"

namespace mulan::site_server {

namespace {

constexpr char kGetAndHead[] = "GET, HEAD";
constexpr std::string_view kOctetStream = "application/octet-stream";

struct AudioType {
    std::string_view extension;  // lower case
    std::string_view contentType;
};

constexpr AudioType kAudioTypes[] = {
    {".mp3", "audio/mpeg"},  {".wav", "audio/wav"}, {".ogg", "audio/ogg"}, {".opus", "audio/ogg"},
    {".flac", "audio/flac"}, {".m4a", "audio/mp4"}, {".aac", "audio/aac"}, {".wma", "audio/x-ms-wma"},
};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

Response FromPage(library::Page page, int status) {
    Response response;
    response.status = status;
    response.contentType = std::move(page.contentType);
    response.body = std::move(page.body);
    return response;
}

Response Home(const RouteContext& context) {
    const library::SongSource& songs = context.songs;
    return FromPage(library::HomePage(context.hosts, songs.First(kHomeSongs), songs.Count(), context.codec),
                    200);
}

Response PlayPage(library::SongId id, const RouteContext& context) {
    const std::optional<library::Song> song = context.songs.ById(id);
    if (!song) return ErrorResponse(context, 404);
    return FromPage(library::PlayPage(context.hosts, *song, context.codec), 200);
}

Response LyricsPage(std::int64_t number, const RouteContext& context) {
    const std::optional<library::Song> song = context.songs.ById(number);
    if (!song) return ErrorResponse(context, 404);
    return FromPage(library::LyricsPage(context.hosts, *song, context.songs.Lyrics(*song), context.codec),
                    200);
}

Response RouteSite(std::string_view path, const RouteContext& context) {
    if (path == "/" || path == "/index.htm") return Home(context);
    if (const std::optional<library::SongId> id = PlayPageId(path)) return PlayPage(*id, context);
    if (const std::optional<std::int64_t> number = LyricsPageNumber(path))
        return LyricsPage(*number, context);
    return ErrorResponse(context, 404);
}

std::string_view FieldOrEmpty(const QueryFields& fields, std::string_view name) {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string_view() : found->second;
}

Response RouteSearch(const TargetParts& parts, const RouteContext& context) {
    if (parts.path == "/") return Home(context);
    if (parts.path != "/so.asp") return ErrorResponse(context, 404);
    const QueryFields fields = ParseQuery(parts.query);
    const std::optional<std::string> key = DecodeGbkValue(context.codec, FieldOrEmpty(fields, "key"));
    const std::optional<std::size_t> page = PageNumber(FieldOrEmpty(fields, "page"));
    if (!key || !page) return ErrorResponse(context, 400);
    const library::SearchPage hits = context.songs.Search(*key, *page);
    return FromPage(library::SearchResultPage(context.hosts, *key, *page, hits, context.codec), 200);
}

std::string ContentRange(const ByteRange& range, std::uint64_t size) {
    return "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
           std::to_string(size);
}

Response FileResponse(const library::Song& song, std::filesystem::path file, std::uint64_t size,
                      const ByteRange& range, const RouteContext& context) {
    if (range.kind == RangeKind::Unsatisfiable) {
        Response response = ErrorResponse(context, 416);
        response.headers = {{"Accept-Ranges", "bytes"}, {"Content-Range", "bytes */" + std::to_string(size)}};
        return response;
    }
    Response response;
    response.contentType = AudioContentType(song.path);
    response.headers.emplace_back("Accept-Ranges", "bytes");
    if (range.kind == RangeKind::WholeFile) {
        response.file = FileBody{std::move(file), 0, size, size};
        return response;
    }
    response.status = 206;
    response.headers.emplace_back("Content-Range", ContentRange(range, size));
    response.file = FileBody{std::move(file), range.first, range.last - range.first + 1, size};
    return response;
}

// The name in an audio address must be the song's own file name, as its play page gives it: any other
// name (with "..", separators, a stream or device name in it) is no address of ours.
bool NamesTheFile(std::string_view path, const library::Song& song) {
    const std::optional<std::string> name = PercentDecode(path.substr(path.rfind('/') + 1));
    const std::size_t slash = song.path.rfind('/');
    return name && *name == std::string_view(song.path).substr(slash == std::string::npos ? 0 : slash + 1);
}

// The song is found by the id and its file comes from the song source, never from the request.
Response RouteMedia(std::string_view path, const HeaderLookup& header, const RouteContext& context) {
    const std::optional<library::SongId> id = MediaSongId(path);
    std::optional<library::Song> song = id ? context.songs.ById(*id) : std::nullopt;
    if (song && !NamesTheFile(path, *song)) song.reset();
    std::optional<std::filesystem::path> file = song ? context.songs.AudioFile(*song) : std::nullopt;
    if (!file) return ErrorResponse(context, 404);
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(*file, error);
    if (error) return ErrorResponse(context, 404);
    const std::optional<std::string> range = header ? header("Range") : std::nullopt;
    return FileResponse(*song, std::move(*file), size, ParseRange(range.value_or(std::string()), size),
                        context);
}

}  // namespace

Response Route(Role role, std::string_view method, std::string_view target, const HeaderLookup& header,
               const RouteContext& context) {
    if (method != "GET" && method != "HEAD") {
        Response response = ErrorResponse(context, 405);
        response.headers.emplace_back("Allow", kGetAndHead);
        return response;
    }
    const TargetParts parts = SplitTarget(target);
    switch (role) {
        case Role::Site:
            return RouteSite(parts.path, context);
        case Role::Search:
            return RouteSearch(parts, context);
        case Role::Media:
            return RouteMedia(parts.path, header, context);
    }
    return ErrorResponse(context, 404);
}

Response ErrorResponse(const RouteContext& context, int status) {
    return FromPage(library::ErrorPage(context.hosts, status, context.codec), status);
}

std::string_view AudioContentType(std::string_view fileName) {
    const std::string_view name = fileName.substr(fileName.rfind('/') + 1);
    // As the old server split names: the dots a name begins with start no extension (".mp3" has none).
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_not_of('.') >= dot) return kOctetStream;
    const std::string_view extension = name.substr(dot);
    for (const AudioType& type : kAudioTypes) {
        if (std::equal(extension.begin(), extension.end(), type.extension.begin(), type.extension.end(),
                       [](char c, char lower) { return AsciiLower(c) == lower; }))
            return type.contentType;
    }
    return kOctetStream;
}

}  // namespace mulan::site_server
