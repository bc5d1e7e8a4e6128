// Downloads one address to a given path with the song download window, without the Save As
// dialog, and exits with the result: 0 saved, 1 failed, 3 cancelled, 2 wrong arguments.
// Prints the window's final message (UTF-8) on standard output.
// Usage: download_host ADDRESS TARGET [LINGER_MS]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/song_download_win32.h"

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

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: download_host ADDRESS TARGET [LINGER_MS]\n", stderr);
        return 2;
    }
    const std::wstring wide = argv[1];
    const mulan::Text address(wide.begin(), wide.end());
    const DWORD linger = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 0;
    const HWND watcher = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    mulan::app::SongDownloads downloads;
    const HWND window = downloads.Start(nullptr, address, argv[2], {watcher, kDoneMessage, false});
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
    GetDlgItemTextW(window, mulan::app::SongDownloadWindow::kStatusId, status, 256);
    const std::string line = Utf8(status) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    // Lets the final state be seen (and photographed) before the window goes.
    const ULONGLONG end = GetTickCount64() + linger;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - GetTickCount64()), QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    DestroyWindow(window);
    using mulan::app::DownloadResult;
    if (result == static_cast<WPARAM>(DownloadResult::Saved)) return 0;
    if (result == static_cast<WPARAM>(DownloadResult::Cancelled)) return 3;
    return 1;
}
