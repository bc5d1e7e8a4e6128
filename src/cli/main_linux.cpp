#include <unistd.h>

#include <iostream>
#include <vector>

#include "cli/cli_app.h"
#include "site/curl_transport_linux.h"
#include "site/iconv_codec_linux.h"

int main(int argc, char** argv) {
    std::vector<mulan::Text> args;
    for (int i = 1; i < argc; ++i) args.push_back(mulan::Utf8ToText(argv[i]));
    mulan::site::CurlTransport transport;
    mulan::site::IconvCodec codec;
    mulan::cli::CliPlatform platform{transport, codec, isatty(STDERR_FILENO) == 1};
    return mulan::cli::RunCli(args, platform, std::cout, std::cerr);
}
