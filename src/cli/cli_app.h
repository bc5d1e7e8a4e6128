#pragma once

#include <ostream>
#include <vector>

#include "base/text.h"
#include "site/codec.h"
#include "site/message_pump.h"
#include "site/transport.h"

namespace mulan::cli {

// What the platform's main gives the command line program.
struct CliPlatform {
    site::Transport& transport;
    const site::Codec& codec;
    bool stderrIsTerminal = false;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitSiteFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs mulan-cli with its arguments (without the program name). Writes UTF-8 with LF line ends.
int RunCli(const std::vector<Text>& args, CliPlatform& platform, std::ostream& out, std::ostream& err);

}  // namespace mulan::cli
