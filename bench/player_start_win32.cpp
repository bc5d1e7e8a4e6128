// player-start [--warm MILLIS] FILE...: how soon a local song starts in the player. For each file in
// turn (the first is the first song of the process, the others later ones) it sets the player's
// address to the file and prints the milliseconds to PlayState Playing and to the first frame the
// wave output reports heard (its position past 0), each song stopped after. With --warm it first
// calls the decoder warm-up and lets the message loop run for MILLIS, as a window that shows and
// waits for the user's first double click would. Figures only; nothing is asserted.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "player/media_player_win32.h"

namespace {

using mulan::player::MediaPlayerWin32;

double Millis(LARGE_INTEGER from) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Runs the loop for millis, waking at least every millisecond for the caller's check.
template <class Done>
bool PumpUntil(Done done, DWORD millis) {
    const ULONGLONG end = GetTickCount64() + millis;
    while (GetTickCount64() < end) {
        Pump();
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    DWORD warm = 0;
    if (argc > 2 && std::wstring(argv[1]) == L"--warm") {
        warm = static_cast<DWORD>(_wtoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: player-start [--warm MILLIS] FILE...\n");
        return 2;
    }
    MediaPlayerWin32 player;
    if (!player.Create(nullptr, RECT{0, 0, 160, 60}, 0)) return 1;
    if (warm > 0) {
        MediaPlayerWin32::WarmUp();
        PumpUntil([] { return false; }, warm);
    }
    int status = 0;
    for (int i = first; i < argc; ++i) {
        const std::wstring path = argv[i];
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        player.SetURL(mulan::Text(path.begin(), path.end()));
        double playing = -1;
        double heard = -1;
        PumpUntil(
            [&] {
                if (playing < 0 && player.playState() == 3) playing = Millis(start);
                if (heard < 0 && player.currentPosition() > 0) heard = Millis(start);
                return heard >= 0 || (player.playState() == 1 && !player.status().empty());
            },
            15000);
        std::printf("%s song %d%s: playing %.1f ms, first frame heard %.1f ms\n",
                    i == first ? "first" : "later", i - first + 1, warm > 0 ? " (warmed up)" : "", playing,
                    heard);
        if (heard < 0) status = 1;
        player.stop();
        PumpUntil([] { return false; }, 300);
    }
    return status;
}
