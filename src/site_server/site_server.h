#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "library/song_source.h"
#include "site/codec.h"
#include "site_server/page_hosts.h"
#include "site_server/request_log.h"
#include "site_server/site_router.h"

namespace httplib {
class Server;
}

namespace mulan::site_server {

class BindError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The site's three HTTP servers over one song source: play and lyrics pages, search pages, audio files.
// Each answers on threads of its own, so a client that stalls one connection holds up no other.
class SiteServer {
  public:
    // log may be null. hosts: the names given on the command line (ports and bound name are filled in
    // by Bind).
    SiteServer(const library::SongSource& songs, const site::Codec& codec, RequestLog* log, HostChoice hosts);
    ~SiteServer();
    SiteServer(const SiteServer&) = delete;
    SiteServer& operator=(const SiteServer&) = delete;

    // Binds address at the three ports (0: any free one); nothing stays bound when one fails.
    void Bind(const std::string& address, SitePorts ports);
    // The ports as bound.
    SitePorts Ports() const { return hosts_.ports; }
    // "host:port" of each server as a client on this computer reaches it.
    library::PageHosts BoundHosts() const;
    // Starts answering; returns at once.
    void Start();
    // Stops answering and waits for the servers' threads.
    void Stop();

  private:
    struct Endpoint;
    void Install(Endpoint& endpoint);
    void Answer(const Endpoint& endpoint, const void* request, void* response) const;

    const library::SongSource& songs_;
    const site::Codec& codec_;
    RequestLog* log_;
    HostChoice hosts_;
    std::vector<std::unique_ptr<Endpoint>> endpoints_;
    std::vector<std::thread> threads_;
};

}  // namespace mulan::site_server
