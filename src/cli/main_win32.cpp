#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/cli_app.h"
#include "site/windows_codec_win32.h"
#include "site/winhttp_transport_win32.h"

int wmain(int argc, wchar_t** argv) {
    // UTF-8 bytes and LF line ends go out as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<mulan::Text> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg(argv[i]);
        args.emplace_back(arg.begin(), arg.end());
    }
    mulan::site::WinHttpTransport transport;
    mulan::site::WindowsCodec codec;
    mulan::cli::CliPlatform platform{transport, codec, _isatty(_fileno(stderr)) != 0};
    return mulan::cli::RunCli(args, platform, std::cout, std::cerr);
}
