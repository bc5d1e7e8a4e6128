#include <windows.h>

#include "site_server/stop_signal.h"

namespace mulan::site_server {

namespace {

// The console's handler runs on a thread of its own; it only sets this event. A manual-reset event that
// lives as long as the process: the handler may still run while the process ends.
HANDLE StopEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

BOOL WINAPI OnConsoleEvent(DWORD) noexcept {
    SetEvent(StopEvent());
    return TRUE;
}

}  // namespace

void CatchStopSignals() {
    StopEvent();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WaitForStopSignal() {
    WaitForSingleObject(StopEvent(), INFINITE);
}

}  // namespace mulan::site_server
