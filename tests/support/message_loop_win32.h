#pragma once

#include <windows.h>

#include <algorithm>
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
// Sleeps between messages: a test that waits costs no processor time. `done` is asked after each
// batch of messages, and at least every `askEvery` milliseconds when it samples something that
// changes without a message.
template <class Done>
bool PumpUntil(Done done, DWORD millis, DWORD askEvery = INFINITE) {
    const ULONGLONG end = GetTickCount64() + millis;
    for (;;) {
        DispatchPending();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(end - now, askEvery));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
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
