// mulan-probe: looks at the windows of a running program from inside the same Wine desktop, for the
// scripts and end-to-end tests (X tools do not see the windows inside a Wine virtual desktop).
//
//   mulan-probe wait TITLE [SECONDS]   waits until a top-level window with that title exists
//   mulan-probe tree TITLE             prints the window and its children: class, text, rectangle
//                                      (TITLE may also be class:NAME, for a window's class)
//   mulan-probe class CLASS            prints every visible top-level window of that class (for
//                                      example tooltips_class32: a shown tooltip's text)
//   mulan-probe windows                prints every visible top-level window
//   mulan-probe menu                   prints the open popup menu's window (its height tells the
//                                      number of items shown)
//   mulan-probe ping TITLE             prints how many milliseconds the window took to handle a
//                                      message; exit status 1 when it did not within a second
//   mulan-probe watch TITLE SECONDS [TITLE2]
//                                      pings each window every 10 ms for SECONDS, or until it closes,
//                                      and prints one line a window: longest=MS at=UNIXTIME pings=N
//                                      over200=N, the longest single wait for an answer, when it
//                                      began (seconds since 1970, to set beside a script's clock),
//                                      the pings, and the waits over 200 ms; exit status 1 when a
//                                      window was never found
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
#include <functional>
#include <string>
#include <thread>
#include <vector>

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

BOOL CALLBACK PrintIfShown(HWND hwnd, LPARAM) {
    if (IsWindowVisible(hwnd)) PrintWindow(hwnd, 0);
    return TRUE;
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

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now;
}

double UnixSeconds() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr ULONGLONG kTicksTo1970 = 116444736000000000ULL;  // 100 ns ticks from 1601
    return static_cast<double>(ticks - kTicksTo1970) / 1e7;
}

struct Answers {
    std::wstring title;
    double longest = 0;    // milliseconds
    double longestAt = 0;  // seconds since 1970
    long pings = 0;
    long over200 = 0;
};

// Not SMTO_ABORTIFHUNG: a window the system calls hung would be answered for at once, and its
// silence would not count. The long timeout lets the wait itself be measured.
void Watch(Answers& answers, LARGE_INTEGER start, double seconds) {
    while (Milliseconds(start, Now()) < seconds * 1000) {
        const HWND hwnd = FindNamed(answers.title);
        // A window gone after it was seen ends its watch: the caller closes the program to stop.
        if (!hwnd && answers.pings > 0) return;
        if (hwnd) {
            const LARGE_INTEGER sent = Now();
            const double sentAt = UnixSeconds();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            const double waited = Milliseconds(sent, Now());
            ++answers.pings;
            if (waited > 200) ++answers.over200;
            if (waited > answers.longest) {
                answers.longest = waited;
                answers.longestAt = sentAt;
            }
        }
        Sleep(10);
    }
}

// Each window is pinged from its own thread: two windows of one busy thread each show the whole
// of its silence, not what is left of it after the other's wait.
int WatchAnswers(const std::vector<std::wstring>& titles, double seconds) {
    std::vector<Answers> answers(titles.size());
    std::vector<std::thread> watchers;
    const LARGE_INTEGER start = Now();
    for (size_t i = 0; i < titles.size(); ++i) {
        answers[i].title = titles[i];
        watchers.emplace_back(Watch, std::ref(answers[i]), start, seconds);
    }
    for (std::thread& watcher : watchers) watcher.join();
    bool allFound = true;
    for (const Answers& window : answers) {
        std::printf("%s\tlongest=%.0f at=%.3f pings=%ld over200=%ld\n", Utf8(window.title).c_str(),
                    window.longest, window.longestAt, window.pings, window.over200);
        allFound = allFound && window.pings > 0;
    }
    return allFound ? 0 : 1;
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
    if (argc == 2 && std::wstring(argv[1]) == L"windows") {
        EnumWindows(PrintIfShown, 0);
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: mulan-probe wait TITLE [SECONDS] | tree TITLE | ping TITLE | panels TITLE | "
                     "resources TITLE | watch TITLE SECONDS [TITLE2] | class CLASS | menu | windows\n");
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
    if (command == L"watch" && (argc == 4 || argc == 5)) {
        std::vector<std::wstring> titles{title};
        if (argc == 5) titles.emplace_back(argv[4]);
        return WatchAnswers(titles, _wtof(argv[3]));
    }
    if (command == L"tree") {
        const HWND hwnd = FindNamed(title);
        if (!hwnd) return 1;
        PrintTree(hwnd, 0);
        return 0;
    }
    std::fprintf(stderr, "unknown command\n");
    return 2;
}
