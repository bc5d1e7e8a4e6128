#pragma once

#include <windows.h>

#include <string>

namespace mulan::testing {

// Dispatches every waiting message, as the program's own loop would.
inline void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs the message loop until `done` holds or `millis` have passed; returns whether it holds.
// Sleeps between messages: a test that waits costs no processor time.
template <class Done>
bool PumpUntil(Done done, DWORD millis) {
    const ULONGLONG end = GetTickCount64() + millis;
    for (;;) {
        DispatchPending();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Runs the message loop for `millis`.
inline void PumpFor(DWORD millis) {
    PumpUntil([] { return false; }, millis);
}

// A window's whole text.
inline std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace mulan::testing
