#include <windows.h>

#include <string>
#include <vector>

#include "site/windows_codec_win32.h"
#include "site_server/site_main.h"

namespace {

std::string Utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? static_cast<std::size_t>(length - 1) : 0, '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace

// Wide arguments: a folder with Chinese characters in its name arrives whole whatever the code page.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
    const mulan::site::WindowsCodec codec;
    return mulan::site_server::RunSite(args, codec);
}
