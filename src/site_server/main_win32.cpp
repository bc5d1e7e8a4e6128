#include <windows.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "site/windows_codec_win32.h"
#include "site_server/site_main.h"

// Wide arguments: a folder with Chinese characters in its name arrives whole whatever the code page.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg(argv[i]);
        args.push_back(mulan::TextToUtf8(mulan::Text(arg.begin(), arg.end())));
    }
    const mulan::site::WindowsCodec codec;
    return mulan::site_server::RunSite(args, codec);
}
