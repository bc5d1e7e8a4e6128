// mulan-probe: looks at the windows of a running program from inside the same Wine desktop, for the
// scripts and end-to-end tests (X tools do not see the windows inside a Wine virtual desktop).
//
//   mulan-probe wait TITLE [SECONDS]   waits until a top-level window with that title exists
//   mulan-probe tree TITLE             prints the window and its children: class, text, rectangle
//                                      (TITLE may also be class:NAME, for a window's class)
//   mulan-probe class CLASS            prints every visible top-level window of that class (for
//                                      example tooltips_class32: a shown tooltip's text)
//   mulan-probe menu                   prints the open popup menu's window (its height tells the
//                                      number of items shown)
//   mulan-probe status TITLE           prints the texts of the window's status bar panels, one a line
//
// Output is UTF-8. Exit status 0 on success, 1 when the window is missing, 2 on a usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buffer[1024]{};
    // WM_GETTEXT rather than GetWindowText: it reads controls of another process too.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return buffer;
}

void PrintWindow(HWND hwnd, int depth) {
    wchar_t className[256]{};
    GetClassNameW(hwnd, className, 256);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    std::printf("%*s%p\t%s\t%s\t%ld,%ld,%ld,%ld\t%s\n", depth * 2, "", static_cast<void*>(hwnd),
                Utf8(className).c_str(), Utf8(WindowText(hwnd)).c_str(), rect.left, rect.top,
                rect.right - rect.left, rect.bottom - rect.top, IsWindowVisible(hwnd) ? "visible" : "hidden");
}

void PrintTree(HWND parent, int depth) {
    PrintWindow(parent, depth);
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        PrintTree(child, depth + 1);
    }
}

BOOL CALLBACK PrintIfClass(HWND hwnd, LPARAM wanted) {
    wchar_t className[256]{};
    GetClassNameW(hwnd, className, 256);
    if (IsWindowVisible(hwnd) && std::wstring(className) == reinterpret_cast<const wchar_t*>(wanted)) {
        PrintWindow(hwnd, 0);
    }
    return TRUE;
}

// The popup menu window of the desktop.
int PrintMenu() {
    const HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !IsWindowVisible(window)) return 1;
    PrintWindow(window, 0);
    return 0;
}

// A window named by its title, or by its class as "class:NAME" (for windows whose caption changes).
HWND FindNamed(const std::wstring& name) {
    const std::wstring prefix = L"class:";
    if (name.compare(0, prefix.size(), prefix) == 0)
        return FindWindowW(name.c_str() + prefix.size(), nullptr);
    return FindWindowW(nullptr, name.c_str());
}

// A status bar's panel texts live in the other process: the text is read into memory allocated there.
int PrintStatusPanels(HWND window) {
    const HWND bar = FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr);
    if (!bar) return 1;
    DWORD processId = 0;
    GetWindowThreadProcessId(bar, &processId);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return 1;
    constexpr SIZE_T kChars = 1024;
    void* remote = VirtualAllocEx(process, nullptr, kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
    const auto parts = remote ? SendMessageW(bar, SB_GETPARTS, 0, 0) : 0;
    for (LRESULT part = 0; part < parts; ++part) {
        const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
        wchar_t text[kChars]{};
        if (length < kChars) {
            SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, remote, text, (length + 1) * sizeof(wchar_t), nullptr);
        }
        std::printf("%s\n", Utf8(text).c_str());
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return parts > 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Rectangles in the screen's own pixels at any DPI, as xdotool and the screenshots see them.
    SetProcessDPIAware();
    if (argc == 2 && std::wstring(argv[1]) == L"menu") return PrintMenu();
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: mulan-probe wait TITLE [SECONDS] | tree TITLE | status TITLE | class CLASS | menu\n");
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"class") {
        EnumWindows(PrintIfClass, reinterpret_cast<LPARAM>(argv[2]));
        return 0;
    }
    const std::wstring title = argv[2];
    if (command == L"wait") {
        const double seconds = argc > 3 ? _wtof(argv[3]) : 30.0;
        const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
        while (!FindNamed(title)) {
            if (GetTickCount64() > deadline) return 1;
            Sleep(100);
        }
        return 0;
    }
    if (command == L"tree") {
        const HWND hwnd = FindNamed(title);
        if (!hwnd) return 1;
        PrintTree(hwnd, 0);
        return 0;
    }
    if (command == L"status") {
        const HWND hwnd = FindNamed(title);
        return hwnd ? PrintStatusPanels(hwnd) : 1;
    }
    std::fprintf(stderr, "unknown command\n");
    return 2;
}
