// message-hook.dll: loaded by the system into the thread that message-count hooks. Counts each
// message that thread's windows are sent (WH_CALLWNDPROC) or take from the queue (WH_GETMESSAGE:
// posted messages, timers, paints) into the table that message-count shares by name.
#include "message_table_win32.h"

namespace {

bench::MessageTable* Table() {
    // Opened once, on the first message; the view stays for the life of the process.
    static bench::MessageTable* table = [] {
        const HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, bench::kMessageTableName);
        if (!mapping) return static_cast<bench::MessageTable*>(nullptr);
        return static_cast<bench::MessageTable*>(
            MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(bench::MessageTable)));
    }();
    return table;
}

void Count(HWND hwnd, UINT message, LONG64 kind) {
    bench::MessageTable* table = Table();
    if (!table || !table->counting) return;
    const LONG64 key =
        static_cast<LONG64>(static_cast<ULONG64>(reinterpret_cast<UINT_PTR>(hwnd) & 0xFFFFFFFFu) << 32) |
        kind << 16 | (message & 0xFFFF);
    size_t slot =
        static_cast<size_t>((static_cast<ULONG64>(key) * 0x9E3779B97F4A7C15ull) >> 51) % bench::kMessageSlots;
    for (size_t probe = 0; probe < bench::kMessageSlots; ++probe, slot = (slot + 1) % bench::kMessageSlots) {
        bench::MessageSlot& entry = table->slots[slot];
        const LONG64 held = InterlockedCompareExchange64(&entry.key, key, 0);
        if (held == 0 || held == key) {
            InterlockedIncrement(&entry.count);
            return;
        }
    }
    InterlockedIncrement(&table->lost);
}

}  // namespace

// The system may load and free a hook's module around each call: pinned, the module and its table
// view are there once for the life of the process.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           bench::kMessageTableName, &pinned);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CountSent(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
        Count(sent->hwnd, sent->message, bench::kSent);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CountTaken(int code, WPARAM wp, LPARAM lp) {
    // A message only looked at (PM_NOREMOVE) is counted when it is taken.
    if (code == HC_ACTION && wp == PM_REMOVE) {
        const auto* taken = reinterpret_cast<const MSG*>(lp);
        Count(taken->hwnd, taken->message, bench::kTaken);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
