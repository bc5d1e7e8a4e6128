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
//   mulan-probe ping TITLE             prints how many milliseconds the window took to handle a
//                                      message; exit status 1 when it did not within a second
//   mulan-probe panels TITLE           prints the texts of the window's status bar panels, one a line
//   mulan-probe resources TITLE        prints what the window's process holds, one line:
//                                      private=BYTES handles=N gdi=N user=N windows=N
//                                      (gdi/user are -1 where the system does not count them)
//
// Output is UTF-8. Exit status 0 on success, 1 when the window is missing, 2 on a usage error.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
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

int Ping(const std::wstring& title) {
    const HWND hwnd = FindNamed(title);
    if (!hwnd) return 1;
    const ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    const bool answered = SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
    std::printf("%llu\n", GetTickCount64() - start);
    return answered ? 0 : 1;
}

// The status bar's panel texts. SB_GETTEXT writes through a pointer, which does not cross processes:
// the text goes to a buffer made inside the window's process and is read from there.
int PrintPanels(const std::wstring& title) {
    const HWND hwnd = FindNamed(title);
    const HWND bar = hwnd ? FindWindowExW(hwnd, nullptr, STATUSCLASSNAMEW, nullptr) : nullptr;
    if (!bar) return 1;
    DWORD id = 0;
    GetWindowThreadProcessId(bar, &id);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (!process) return 1;
    constexpr size_t kUnits = 4096;
    void* remote = VirtualAllocEx(process, nullptr, kUnits * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
    const auto parts = static_cast<int>(SendMessageW(bar, SB_GETPARTS, 0, 0));
    for (int i = 0; remote && i < parts; ++i) {
        const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(i), 0));
        std::wstring text(std::min<size_t>(length, kUnits - 1) + 1, L'\0');
        if (length < kUnits)
            SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, text.data(), text.size() * sizeof(wchar_t), nullptr);
        text.resize(wcsnlen(text.c_str(), text.size()));
        std::printf("%s\n", Utf8(text).c_str());
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return remote ? 0 : 1;
}

struct WindowCount {
    DWORD process = 0;
    long windows = 0;
};

BOOL CALLBACK CountIfOwned(HWND hwnd, LPARAM state) {
    auto& count = *reinterpret_cast<WindowCount*>(state);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == count.process) {
        ++count.windows;
        EnumChildWindows(hwnd, CountIfOwned, state);
    }
    return TRUE;
}

// The window objects of a process, top-level and children: the USER objects that remain countable
// where GetGuiResources is not implemented (Wine answers 0 with ERROR_CALL_NOT_IMPLEMENTED).
long CountWindows(DWORD process) {
    WindowCount count{process, 0};
    EnumWindows(CountIfOwned, reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

long GuiResources(HANDLE process, DWORD flags) {
    SetLastError(ERROR_SUCCESS);
    const DWORD value = GetGuiResources(process, flags);
    if (value == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return -1;
    return static_cast<long>(value);
}

// For the soak run: the figures that grow when the process leaks memory, handles or GDI/USER objects.
int PrintResources(const std::wstring& title) {
    const HWND hwnd = FindNamed(title);
    if (!hwnd) return 1;
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd, &id);
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process) return 1;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    std::printf("private=%llu handles=%lu gdi=%ld user=%ld windows=%ld\n",
                static_cast<unsigned long long>(memory.PrivateUsage), handles,
                GuiResources(process, GR_GDIOBJECTS), GuiResources(process, GR_USEROBJECTS),
                CountWindows(id));
    CloseHandle(process);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Rectangles in the screen's own pixels at any DPI, as xdotool and the screenshots see them.
    SetProcessDPIAware();
    if (argc == 2 && std::wstring(argv[1]) == L"menu") return PrintMenu();
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: mulan-probe wait TITLE [SECONDS] | tree TITLE | ping TITLE | panels TITLE | "
                     "resources TITLE "
                     "| class CLASS | menu\n");
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
    if (command == L"resources") return PrintResources(title);
    if (command == L"panels") return PrintPanels(title);
    if (command == L"ping") return Ping(title);
    if (command == L"tree") {
        const HWND hwnd = FindNamed(title);
        if (!hwnd) return 1;
        PrintTree(hwnd, 0);
        return 0;
    }
    std::fprintf(stderr, "unknown command\n");
    return 2;
}
