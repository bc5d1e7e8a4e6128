#pragma once

#include <string>
#include <vector>

#include "site/codec.h"

namespace mulan::site_server {

// mulan-site's whole run over args (UTF-8, without the program's name): serves until a stop signal.
// Exit status 0 after a stop, 1 when a port cannot be bound, 2 for a bad command line, a folder that is
// not there, a catalogue or index that cannot be used, or a log that cannot be opened.
int RunSite(const std::vector<std::string>& args, const site::Codec& codec);

}  // namespace mulan::site_server
