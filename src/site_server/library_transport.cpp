#include "site_server/library_transport.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "site/site_error.h"
#include "site_server/site_router.h"

namespace mulan::site_server {

namespace {

constexpr std::string_view kScheme = "http://";
// As mulan-site streams audio: big enough that a song takes few reads, small enough that the window
// gets its turn often while a download copies one.
constexpr std::size_t kChunkBytes = 64 * 1024;

bool SameAscii(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// An address cut into its host (with the port, if any) and its request target ("/" when it has none).
struct AddressParts {
    std::string_view host;
    std::string_view target;
};

std::optional<AddressParts> SplitAddress(std::string_view address) {
    if (address.size() < kScheme.size() || !SameAscii(address.substr(0, kScheme.size()), kScheme))
        return std::nullopt;
    const std::string_view rest = address.substr(kScheme.size());
    const std::size_t end = rest.find_first_of("/?#");
    AddressParts parts{rest.substr(0, end), "/"};
    if (end != std::string_view::npos && rest[end] == '/') parts.target = rest.substr(end);
    return parts;
}

// The server of ours an address goes to; nullopt for any other host.
std::optional<Role> RoleOf(std::string_view host) {
    if (SameAscii(host, kLibrarySiteHost)) return Role::Site;
    if (SameAscii(host, kLibrarySearchHost)) return Role::Search;
    if (SameAscii(host, kLibraryMediaHost)) return Role::Media;
    return std::nullopt;
}

library::PageHosts PageHostsOfLibrary() {
    return {kLibrarySiteHost, kLibrarySearchHost, kLibraryMediaHost};
}

// The router's answer; a failure inside it (the index, a page) is the site's 500 page, as mulan-site
// gives it, so that the client reads it as the error page it is.
Response Answer(Role role, std::string_view target, const RouteContext& context) {
    try {
        return Route(role, "GET", target, HeaderLookup(), context);
    } catch (const std::exception&) {
        return ErrorResponse(context, 500);
    }
}

void SendFile(const FileBody& body, site::BodySink& sink, site::MessagePump& pump) {
    std::ifstream file(body.path, std::ios::binary);
    if (!file) throw site::SiteError("the song's file cannot be opened");
    file.seekg(static_cast<std::streamoff>(body.first));
    sink.Begin(200, body.length);
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, body.length)));
    for (std::uint64_t left = body.length; left > 0;) {
        const auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(left, buffer.size()));
        file.read(buffer.data(), want);
        const auto got = static_cast<std::size_t>(file.gcount());
        // The file shrank after its size was taken: a body cut short, as a broken connection gives it.
        if (got == 0) throw site::SiteError("the song's file ended before its length");
        sink.Write(std::string_view(buffer.data(), got));
        left -= got;
        if (left > 0) pump.RunPending();
    }
}

}  // namespace

site::SiteHosts LibraryHosts() {
    return {u"library.invalid", u"search.library.invalid", u"media.library.invalid"};
}

LibraryTransport::LibraryTransport(const library::SongSource& songs, const site::Codec& codec,
                                   site::Transport& fallback)
    : songs_(songs), codec_(codec), fallback_(fallback) {}

void LibraryTransport::Get(std::string_view address, site::BodySink& sink, site::MessagePump& pump) {
    const std::optional<AddressParts> parts = SplitAddress(address);
    const std::optional<Role> role = parts ? RoleOf(parts->host) : std::nullopt;
    if (!role) return fallback_.Get(address, sink, pump);
    const RouteContext context{songs_, PageHostsOfLibrary(), codec_};
    Response response;
    try {
        response = Answer(*role, parts->target, context);
    } catch (const std::exception& failure) {
        // Even the error page could not be made: the exchange failed, as the transport reports that.
        throw site::SiteError(std::string("the music library cannot answer: ") + failure.what());
    }
    if (response.file && response.status == 200) return SendFile(*response.file, sink, pump);
    sink.Begin(response.status, response.body.size());
    if (!response.body.empty()) sink.Write(response.body);
}

std::optional<std::filesystem::path> LibraryTransport::FileOf(std::string_view address) const {
    const std::optional<AddressParts> parts = SplitAddress(address);
    if (!parts || RoleOf(parts->host) != Role::Media) return std::nullopt;
    const RouteContext context{songs_, PageHostsOfLibrary(), codec_};
    try {
        Response response = Route(Role::Media, "GET", parts->target, HeaderLookup(), context);
        if (response.status == 200 && response.file) return std::move(response.file->path);
    } catch (const std::exception&) {
        // The index failing is no file; the caller goes on as with any other address.
    }
    return std::nullopt;
}

}  // namespace mulan::site_server
