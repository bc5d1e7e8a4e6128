#include "site_server/site_options.h"

#include <charconv>
#include <stdexcept>

namespace mulan::site_server {

const char kSiteUsage[] =
    "usage: mulan-site (--catalogue DIR | --library DIR...) [--db PATH] [--bind ADDR]\n"
    "                  [--site-port N] [--search-port N] [--media-port N]\n"
    "                  [--site-host HOST] [--search-host HOST] [--media-host HOST]\n"
    "                  [--log FILE] [--ready-file FILE]\n"
    "\n"
    "Serves a folder of audio files as a music site in the page formats Mulan Player reads.\n"
    "\n"
    "  --catalogue DIR     folder with catalogue.json, or a music folder\n"
    "  --library DIR       a music folder; once or more, for folders served together\n"
    "  --db PATH           index of the music folders (default .mulan-site.db in the first)\n"
    "  --bind ADDR         address to listen on (default 127.0.0.1)\n"
    "  --site-port N       play and lyrics pages (default 18080)\n"
    "  --search-port N     search pages (default 18081)\n"
    "  --media-port N      audio files (default 18082); a port of 0 takes a free one\n"
    "  --site-host HOST    host name written into pages for the site (default: the name the\n"
    "                      client used, with the site's port); likewise --search-host, --media-host\n"
    "  --log FILE          append one line per request: PORT METHOD TARGET STATUS\n"
    "  --ready-file FILE   write the ready line here once listening (and indexed)\n";

namespace {

int Port(const std::string& name, const std::string& value) {
    int port = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
    if (error != std::errc() || end != value.data() + value.size() || port < 0 || port > 65535)
        throw std::invalid_argument(name + " must be between 0 and 65535");
    return port;
}

}  // namespace

SiteOptions ParseSiteOptions(const std::vector<std::string>& args) {
    SiteOptions options;
    bool catalogue = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "-h" || name == "--help") {
            options.help = true;
            return options;
        }
        if (i + 1 >= args.size())
            throw std::invalid_argument(name.starts_with("--") ? name + " needs a value"
                                                               : "unknown argument " + name);
        const std::string& value = args[++i];
        if (name == "--catalogue" || name == "--library") {
            if (catalogue || (name == "--catalogue" && !options.folders.empty()))
                throw std::invalid_argument("give one --catalogue, or --library once or more");
            catalogue = name == "--catalogue";
            options.folders.push_back(value);
        } else if (name == "--db") {
            options.database = value;
        } else if (name == "--bind") {
            options.bind = value;
        } else if (name == "--site-port") {
            options.ports.site = Port(name, value);
        } else if (name == "--search-port") {
            options.ports.search = Port(name, value);
        } else if (name == "--media-port") {
            options.ports.media = Port(name, value);
        } else if (name == "--site-host") {
            options.siteHost = value;
        } else if (name == "--search-host") {
            options.searchHost = value;
        } else if (name == "--media-host") {
            options.mediaHost = value;
        } else if (name == "--log") {
            options.log = value;
        } else if (name == "--ready-file") {
            options.readyFile = value;
        } else {
            throw std::invalid_argument("unknown option " + name);
        }
    }
    if (options.folders.empty()) throw std::invalid_argument("one of --catalogue and --library is required");
    const auto& p = options.ports;
    if ((p.site && (p.site == p.search || p.site == p.media)) || (p.search && p.search == p.media))
        throw std::invalid_argument("the three ports must differ");
    return options;
}

}  // namespace mulan::site_server
