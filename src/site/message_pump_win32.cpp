#include "site/message_pump_win32.h"

#include <windows.h>

namespace mulan::site {

void WindowsMessagePump::RunPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The thread's own loop must see it to end the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace mulan::site
