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

void WindowsMessagePump::RunPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The thread's own loop must see it to end the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        HandleMessage(msg, filter_);
    }
}

}  // namespace mulan::site
