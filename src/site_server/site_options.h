#pragma once

#include <optional>
#include <string>
#include <vector>

#include "site_server/page_hosts.h"

namespace mulan::site_server {

// mulan-site's command line.
struct SiteOptions {
    // --catalogue (a catalogue with its catalogue.json, or a music folder), or --library once or more:
    // music folders served together, in one index.
    std::vector<std::string> folders;
    std::optional<std::string> database;  // --db
    std::string bind = "127.0.0.1";
    SitePorts ports;
    std::optional<std::string> siteHost, searchHost, mediaHost;
    std::optional<std::string> log;
    std::optional<std::string> readyFile;
    bool help = false;
};

// The options of args (UTF-8, without the program's name); throws std::invalid_argument with the
// message for the user.
SiteOptions ParseSiteOptions(const std::vector<std::string>& args);

extern const char kSiteUsage[];

}  // namespace mulan::site_server
