// Runs the song link window and the song download window on their own, for end-to-end tests.
//   link_host show ADDRESS                       shows Form2 over an owner window until it is closed
//   link_host download ADDRESS TARGET [LINGER_MS] downloads to TARGET without the Save As dialog
// download prints the window's final message (UTF-8) and exits 0 saved, 1 failed, 3 cancelled.
// Exit status 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/ui/form2_win32.h"
#include "app/ui/song_download_win32.h"
#include "support/message_loop_win32.h"

namespace {

constexpr UINT kDoneMessage = WM_APP + 1;

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

int Show(const mulan::Text& address) {
    const HWND owner = CreateWindowExW(0, L"STATIC", L"link_host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                       500, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    mulan::app::ui::ShowSongLink(owner, address);
    DestroyWindow(owner);
    return 0;
}

int Download(const mulan::Text& address, const wchar_t* target, DWORD linger) {
    const HWND watcher = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    mulan::app::ui::SongDownloads downloads;
    const HWND window = downloads.Start(nullptr, address, target, {watcher, kDoneMessage, false});
    if (!window) {
        std::fputs("no download window\n", stderr);
        return 1;
    }
    WPARAM result = 0;
    MSG msg;
    while (result == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == watcher && msg.message == kDoneMessage) result = msg.wParam;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    wchar_t status[256]{};
    GetDlgItemTextW(window, mulan::app::ui::SongDownloadWindow::kStatusId, status, 256);
    const std::string line = Utf8(status) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    // Lets the final state be seen (and photographed) before the window goes.
    ::mulan::testing::PumpFor(linger);
    DestroyWindow(window);
    using mulan::app::ui::DownloadResult;
    if (result == static_cast<WPARAM>(DownloadResult::Saved)) return 0;
    if (result == static_cast<WPARAM>(DownloadResult::Cancelled)) return 3;
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 2 ? argv[1] : L"";
    if (argc == 3 && command == L"show") {
        const std::wstring wide = argv[2];
        return Show(mulan::Text(wide.begin(), wide.end()));
    }
    if ((argc == 4 || argc == 5) && command == L"download") {
        const std::wstring wide = argv[2];
        const DWORD linger = argc == 5 ? static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10)) : 0;
        return Download(mulan::Text(wide.begin(), wide.end()), argv[3], linger);
    }
    std::fputs("usage: link_host show ADDRESS | link_host download ADDRESS TARGET [LINGER_MS]\n", stderr);
    return 2;
}
