// message-count TITLE SECONDS: counts, for SECONDS, the messages the thread of the top-level window
// TITLE handles: those sent to a window procedure (how=sent) and those taken from the thread's queue
// (how=taken: posted messages, timers, paints). It hooks the thread with message-hook.dll (beside
// this program), which the system loads into the window's process. Prints a header line (THREAD:
// the window's thread id in hex, as Wine's server trace names threads)
//   # seconds=S lost=N thread=THREAD
// then one line a window and message, most frequent first, tab-separated:
//   WINDOW  ID  HOW  MESSAGE  COUNT  PER_SECOND
// WINDOW is "main" for the top-level window, the class of a window inside it, or "other:CLASS" for
// another window of the same thread; ID is a child's control id. Exit status 1 when the window or
// the hook is missing, 2 on a usage error.
#include "message_table_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Name {
    const wchar_t* windowClass;  // nullptr: any window
    UINT message;
    const char* name;
};

// The messages a display tick, a paint or a timer brings; the rest print as numbers.
constexpr Name kNames[] = {
    {nullptr, WM_SETREDRAW, "WM_SETREDRAW"},
    {nullptr, WM_SETTEXT, "WM_SETTEXT"},
    {nullptr, WM_GETTEXT, "WM_GETTEXT"},
    {nullptr, WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
    {nullptr, WM_PAINT, "WM_PAINT"},
    {nullptr, WM_ERASEBKGND, "WM_ERASEBKGND"},
    {nullptr, WM_SETCURSOR, "WM_SETCURSOR"},
    {nullptr, WM_GETFONT, "WM_GETFONT"},
    {nullptr, WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
    {nullptr, WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
    {nullptr, WM_NOTIFY, "WM_NOTIFY"},
    {nullptr, WM_GETOBJECT, "WM_GETOBJECT"},
    {nullptr, WM_NCHITTEST, "WM_NCHITTEST"},
    {nullptr, WM_NCPAINT, "WM_NCPAINT"},
    {nullptr, WM_NCACTIVATE, "WM_NCACTIVATE"},
    {nullptr, WM_TIMER, "WM_TIMER"},
    {nullptr, 0x0118, "WM_SYSTIMER"},
    {nullptr, WM_HSCROLL, "WM_HSCROLL"},
    {nullptr, WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
    {nullptr, WM_CTLCOLORBTN, "WM_CTLCOLORBTN"},
    {nullptr, WM_MOUSEMOVE, "WM_MOUSEMOVE"},
    {nullptr, WM_PRINTCLIENT, "WM_PRINTCLIENT"},
    {PROGRESS_CLASSW, PBM_SETRANGE, "PBM_SETRANGE"},
    {PROGRESS_CLASSW, PBM_SETPOS, "PBM_SETPOS"},
    {PROGRESS_CLASSW, PBM_SETRANGE32, "PBM_SETRANGE32"},
    {PROGRESS_CLASSW, PBM_GETRANGE, "PBM_GETRANGE"},
    {PROGRESS_CLASSW, PBM_GETPOS, "PBM_GETPOS"},
    {TRACKBAR_CLASSW, TBM_GETPOS, "TBM_GETPOS"},
    {TRACKBAR_CLASSW, TBM_GETRANGEMIN, "TBM_GETRANGEMIN"},
    {TRACKBAR_CLASSW, TBM_GETRANGEMAX, "TBM_GETRANGEMAX"},
    {TRACKBAR_CLASSW, TBM_SETPOS, "TBM_SETPOS"},
    {TRACKBAR_CLASSW, TBM_SETRANGE, "TBM_SETRANGE"},
    {TRACKBAR_CLASSW, TBM_SETRANGEMAX, "TBM_SETRANGEMAX"},
    {STATUSCLASSNAMEW, SB_SETTEXTW, "SB_SETTEXTW"},
    {STATUSCLASSNAMEW, SB_GETTEXTW, "SB_GETTEXTW"},
    {STATUSCLASSNAMEW, SB_GETTEXTLENGTHW, "SB_GETTEXTLENGTHW"},
    {STATUSCLASSNAMEW, SB_GETRECT, "SB_GETRECT"},
    {STATUSCLASSNAMEW, SB_GETPARTS, "SB_GETPARTS"},
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128]{};
    if (!GetClassNameW(hwnd, name, 128)) return L"(gone)";
    return name;
}

std::string MessageName(const std::wstring& windowClass, UINT message) {
    for (const Name& name : kNames) {
        if (name.message == message &&
            (!name.windowClass || _wcsicmp(name.windowClass, windowClass.c_str()) == 0))
            return name.name;
    }
    char number[16];
    std::snprintf(number, sizeof number, "0x%04X", message);
    return number;
}

struct Row {
    std::string window;
    int id;
    std::string how;
    std::string message;
    LONG count;
};

Row Describe(HWND root, const bench::MessageSlot& slot) {
    const auto key = static_cast<ULONG64>(slot.key);
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(key >> 32));
    const auto how = static_cast<LONG64>((key >> 16) & 0xFFFF);
    const auto message = static_cast<UINT>(key & 0xFFFF);
    const std::wstring windowClass = ClassOf(hwnd);
    Row row{Utf8(windowClass), 0, how == bench::kSent ? "sent" : "taken", MessageName(windowClass, message),
            slot.count};
    if (!hwnd) {
        row.window = "thread";
    } else if (hwnd == root) {
        row.window = "main";
    } else if (IsChild(root, hwnd)) {
        row.id = GetDlgCtrlID(hwnd);
    } else {
        row.window = "other:" + row.window;
    }
    return row;
}

// The table under its shared name, emptied.
bench::MessageTable* OpenTable() {
    const HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              sizeof(bench::MessageTable), bench::kMessageTableName);
    if (!mapping) return nullptr;
    auto* table = static_cast<bench::MessageTable*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(bench::MessageTable)));
    if (!table) return nullptr;
    table->counting = 0;
    table->lost = 0;
    // A hook left loaded by an earlier count still writes to the same table: it stopped counting above.
    std::memset(const_cast<bench::MessageSlot*>(table->slots), 0, sizeof table->slots);
    return table;
}

std::wstring HookPath() {
    wchar_t path[MAX_PATH]{};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"message-hook.dll";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: message-count TITLE SECONDS\n");
        return 2;
    }
    const HWND root = FindWindowW(nullptr, argv[1]);
    const double seconds = _wtof(argv[2]);
    if (!root) {
        std::fprintf(stderr, "message-count: no window with that title\n");
        return 1;
    }
    bench::MessageTable* table = OpenTable();
    const HMODULE hook = LoadLibraryW(HookPath().c_str());
    const auto procedure = [hook](const char* name) {
        return reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hook, name)));
    };
    const HOOKPROC sent = procedure("CountSent");
    const HOOKPROC taken = procedure("CountTaken");
    if (!table || !hook || !sent || !taken) {
        std::fprintf(stderr, "message-count: no table or no message-hook.dll\n");
        return 1;
    }
    const DWORD thread = GetWindowThreadProcessId(root, nullptr);
    const HHOOK sentHook = SetWindowsHookExW(WH_CALLWNDPROC, sent, hook, thread);
    const HHOOK takenHook = SetWindowsHookExW(WH_GETMESSAGE, taken, hook, thread);
    if (!sentHook || !takenHook) {
        std::fprintf(stderr, "message-count: the thread could not be hooked (%lu)\n", GetLastError());
        return 1;
    }
    // The window's thread loads the hook at its next message; a display tick comes within 100 ms.
    Sleep(500);
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    table->counting = 1;
    Sleep(static_cast<DWORD>(seconds * 1000));
    table->counting = 0;
    QueryPerformanceCounter(&stop);
    UnhookWindowsHookEx(sentHook);
    UnhookWindowsHookEx(takenHook);
    const double elapsed =
        static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);

    std::vector<Row> rows;
    for (const bench::MessageSlot& slot : table->slots) {
        if (slot.key != 0 && slot.count > 0) rows.push_back(Describe(root, slot));
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.count > b.count; });
    std::printf("# seconds=%.2f lost=%ld thread=%04lx\n", elapsed, table->lost, thread);
    for (const Row& row : rows) {
        std::printf("%s\t%d\t%s\t%s\t%ld\t%.2f\n", row.window.c_str(), row.id, row.how.c_str(),
                    row.message.c_str(), row.count, row.count / elapsed);
    }
    return 0;
}
