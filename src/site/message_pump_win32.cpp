#include "site/message_pump_win32.h"

namespace mulan::site {

void HandleMessage(const MSG& msg, MessageFilter* filter) {
    if (filter && filter->PreTranslateMessage(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int RunMessageLoop(MessageFilter* filter) {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) HandleMessage(msg, filter);
    return static_cast<int>(msg.wParam);
}

void RunNestedLoop(MessageFilter* filter, const std::function<bool()>& open) {
    MSG msg{};
    while (open()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got < 0) return;
        HandleMessage(msg, filter);
    }
}

namespace {

// Handles the pending messages; false when a WM_QUIT was met.
bool HandlePending(MessageFilter* filter) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The thread's own loop must see it to end the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        HandleMessage(msg, filter);
    }
    return true;
}

}  // namespace

void WindowsMessagePump::RunPending() {
    HandlePending(filter_);
}

void WindowsMessagePump::Pause(std::chrono::milliseconds length) {
    const auto end = std::chrono::steady_clock::now() + length;
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        const DWORD wake = MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()),
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wake != WAIT_OBJECT_0) return;  // the pause is over (or the wait cannot be made)
        if (!HandlePending(filter_)) return;
    }
}

}  // namespace mulan::site
