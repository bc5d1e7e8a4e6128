#include "site_server/site_server.h"

// Built with MULAN_HTTPLIB_OWN_RANGES (see cmake/thirdparty.cmake): Range is answered by the router
// alone, a malformed or multi-range header ignored as HTTP allows, a page never cut.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "base/report.h"

namespace mulan::site_server {

namespace {

// Every open audio stream holds a thread: room for 16 players at once and a few page requests.
constexpr std::size_t kMediaThreads = 24;
constexpr std::size_t kPageThreads = 8;
// A player keeps its connection for many requests; idle ones are let go after this.
constexpr std::size_t kKeepAliveRequests = 1000;
constexpr time_t kKeepAliveSeconds = 10;
// A client that stops reading (or sending) is dropped after this, freeing its thread.
constexpr time_t kStalledSeconds = 20;
constexpr std::size_t kChunkBytes = 64 * 1024;

std::string RoleName(Role role) {
    switch (role) {
        case Role::Site:
            return "site";
        case Role::Search:
            return "search";
        case Role::Media:
            return "media";
    }
    return "site";
}

// Streams part of a file without holding it in memory; a file that shrank under us ends the connection.
httplib::ContentProvider FileProvider(const FileBody& body) {
    auto file = std::make_shared<std::ifstream>(body.path, std::ios::binary);
    auto buffer = std::make_shared<std::vector<char>>(kChunkBytes);
    const std::uint64_t first = body.first;
    return [file, buffer, first](size_t offset, size_t length, httplib::DataSink& sink) {
        if (!*file) return false;
        file->seekg(static_cast<std::streamoff>(first + offset));
        const std::size_t want = std::min(length, buffer->size());
        file->read(buffer->data(), static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(file->gcount());
        if (got == 0) return false;
        return sink.write(buffer->data(), got);
    };
}

// The server's default lets a second server share a port that is in use (SO_REUSEPORT); a second
// mulan-site must be told the port is taken instead. A port in TIME_WAIT after a restart is still taken.
void RefuseSharedPorts(socket_t sock) {
    int yes = 1;
#ifdef _WIN32
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

void Fill(httplib::Response& out, Response&& in) {
    out.status = in.status;
    for (auto& [name, value] : in.headers) out.set_header(name.c_str(), value);
    if (in.file) {
        const FileBody body = *in.file;
        if (body.length == 0) {
            out.set_header("Content-Length", "0");
            out.set_header("Content-Type", in.contentType);
        } else {
            out.set_content_provider(static_cast<size_t>(body.length), in.contentType, FileProvider(body));
        }
    } else {
        out.set_content(std::move(in.body), in.contentType.c_str());
    }
}

}  // namespace

struct SiteServer::Endpoint {
    Role role;
    int port = 0;
    httplib::Server server;
    std::atomic<bool> ended{false};  // its listening thread has returned
};

SiteServer::SiteServer(const library::SongSource& songs, const site::Codec& codec, RequestLog* log,
                       HostChoice hosts)
    : songs_(songs), codec_(codec), log_(log), hosts_(std::move(hosts)) {}

SiteServer::~SiteServer() {
    Stop();
}

void SiteServer::Bind(const std::string& address, SitePorts ports) {
    hosts_.boundName = address == "0.0.0.0" || address.empty()  ? "127.0.0.1"
                       : address == "::"                        ? "[::1]"
                       : address.find(':') != std::string::npos ? "[" + address + "]"
                                                                : address;
    std::vector<std::unique_ptr<Endpoint>> bound;
    for (const auto& [role, port] : {std::pair{Role::Site, ports.site}, std::pair{Role::Search, ports.search},
                                     std::pair{Role::Media, ports.media}}) {
        auto endpoint = std::make_unique<Endpoint>();
        endpoint->role = role;
        Install(*endpoint);
        endpoint->port = port == 0 ? endpoint->server.bind_to_any_port(address)
                                   : (endpoint->server.bind_to_port(address, port) ? port : -1);
        if (endpoint->port <= 0)
            throw BindError("cannot listen on " + address + " port " + std::to_string(port) + " (" +
                            RoleName(role) + ")");
        bound.push_back(std::move(endpoint));
    }
    endpoints_ = std::move(bound);
    hosts_.ports = SitePorts{endpoints_[0]->port, endpoints_[1]->port, endpoints_[2]->port};
}

library::PageHosts SiteServer::BoundHosts() const {
    const std::string& name = hosts_.boundName;
    return {JoinHost(name, hosts_.ports.site), JoinHost(name, hosts_.ports.search),
            JoinHost(name, hosts_.ports.media)};
}

void SiteServer::Install(Endpoint& endpoint) {
    httplib::Server& server = endpoint.server;
    const std::size_t threads = endpoint.role == Role::Media ? kMediaThreads : kPageThreads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_socket_options(RefuseSharedPorts);
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(kKeepAliveRequests);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    server.set_read_timeout(kStalledSeconds, 0);
    server.set_write_timeout(kStalledSeconds, 0);
    server.set_payload_max_length(64 * 1024);
    server.set_pre_routing_handler(
        [this, &endpoint](const httplib::Request& request, httplib::Response& response) {
            Answer(endpoint, &request, &response);
            return httplib::Server::HandlerResponse::Handled;
        });
    // What the server refuses before any handler runs (a request line it cannot read, one too long)
    // still gets the site's own page.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [this](const httplib::Request& request, httplib::Response& response) {
            if (!response.body.empty() || response.content_length_ > 0)
                return httplib::Server::HandlerResponse::Unhandled;
            const RouteContext context{songs_, hosts_.For(request.get_header_value("Host")), codec_};
            Response page = ErrorResponse(context, response.status);
            response.set_content(std::move(page.body), page.contentType.c_str());
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_logger([this, &endpoint](const httplib::Request& request, const httplib::Response& response) {
        // A request line the server could not read leaves no target: nothing of it is logged as a method.
        if (log_)
            log_->Write(endpoint.port,
                        request.target.empty() ? std::string_view() : std::string_view(request.method),
                        request.target, response.status);
    });
}

void SiteServer::Answer(const Endpoint& endpoint, const void* requestPointer, void* responsePointer) const {
    const auto& request = *static_cast<const httplib::Request*>(requestPointer);
    auto& response = *static_cast<httplib::Response*>(responsePointer);
    const RouteContext context{songs_, hosts_.For(request.get_header_value("Host")), codec_};
    const HeaderLookup header = [&request](std::string_view name) -> std::optional<std::string> {
        const std::string key(name);
        if (!request.has_header(key.c_str())) return std::nullopt;
        return request.get_header_value(key.c_str());
    };
    try {
        Fill(response, Route(endpoint.role, request.method, request.target, header, context));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "mulan-site: internal error on %s: %s\n", LogField(request.target).c_str(),
                     failure.what());
        response.set_header("Connection", "close");
        Fill(response, ErrorResponse(context, 500));
    }
}

void SiteServer::Start() {
    for (auto& endpoint : endpoints_) {
        threads_.emplace_back([&endpoint = *endpoint] {
            try {
                endpoint.server.listen_after_bind();
            } catch (...) {
                MULAN_REPORT_EXCEPTION();
            }
            endpoint.ended = true;
        });
    }
    // A server can be stopped only once it listens: a Stop that came before would find nothing to
    // stop and then wait for ever for a thread in accept. The threads get there at once.
    for (auto& endpoint : endpoints_) {
        while (!endpoint->server.is_running() && !endpoint->ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void SiteServer::Stop() {
    for (auto& endpoint : endpoints_) endpoint->server.stop();
    for (auto& thread : threads_)
        if (thread.joinable()) thread.join();
    threads_.clear();
}

}  // namespace mulan::site_server
