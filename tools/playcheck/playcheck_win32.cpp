// mulan-playcheck: drives the player back-end of mulan.exe through a script of steps, for the sound
// tests, and prints what the player reports. One step per argument:
//
//   until:STATE:SECONDS   wait for PlayStateChange STATE (fails after SECONDS)
//   sleep:MILLIS          let the player run
//   hold:MILLIS           keep the UI thread busy (the song must play on regardless)
//   play | pause | stop   the player's controls
//   volume:N              settings.volume
//   seek:SECONDS          controls.currentPosition
//   url:ADDRESS           a new address (autoStart plays it)
//
// Output (UTF-8, one line per event or step): "<ms> <what> state=<n> pos=<s> dur=<s> status=<text>".
// Exit status 0 when every step ran, 1 when a wait timed out, 2 on a usage error. The last line,
// "ui-lag max=<ms>", tells how late the UI thread came to a 100 ms heartbeat at worst: how long the
// player kept it from answering.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "player/media_player_win32.h"

namespace {

using mulan::player::MediaPlayerWin32;

std::string Utf8(const std::u16string& text) {
    const std::wstring wide(text.begin(), text.end());
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

class Driver final : public mulan::player::MediaPlayerEvents {
  public:
    Driver(std::vector<std::wstring> steps) : steps_(std::move(steps)), start_(GetTickCount64()) {}

    int Run() {
        player_.SetEvents(this);
        if (!player_.Create(nullptr, RECT{0, 0, 160, 60}, 0)) return 2;
        heartbeat_ = SetTimer(nullptr, 0, kHeartbeatMillis, nullptr);
        lastBeat_ = GetTickCount64();
        Next();
        MSG msg;
        while (!finished_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
                OnTimer(msg.wParam);
                continue;
            }
            DispatchMessageW(&msg);
        }
        player_.stop();
        std::printf("ui-lag max=%llu\n", maxLag_);
        return exitCode_;
    }

    void PlayStateChange(int32_t NewState) override {
        Log("event PlayStateChange " + std::to_string(NewState));
        if (waitingFor_ == NewState) {
            waitingFor_ = -1;
            KillTimer(nullptr, timer_);
            // Go on outside the player's own call.
            timer_ = SetTimer(nullptr, 0, 1, nullptr);
        }
    }
    void StatusChange() override { Log("event StatusChange"); }
    void Click() override {}
    void DoubleClick() override {}
    void MouseDown() override {}
    void MouseUp() override {}
    void MouseMove() override {}

  private:
    void Log(const std::string& what) {
        std::printf("%llu %s state=%d pos=%.3f dur=%.3f status=%s\n", GetTickCount64() - start_, what.c_str(),
                    player_.playState(), player_.currentPosition(), player_.duration(),
                    Utf8(player_.status()).c_str());
        std::fflush(stdout);
    }

    void OnTimer(UINT_PTR id) {
        if (id == heartbeat_) {
            const ULONGLONG now = GetTickCount64();
            if (now - lastBeat_ > kHeartbeatMillis)
                maxLag_ = std::max(maxLag_, now - lastBeat_ - kHeartbeatMillis);
            lastBeat_ = now;
            return;
        }
        if (id != timer_) return;
        KillTimer(nullptr, timer_);
        timer_ = 0;
        if (waitingFor_ >= 0) {
            Log("timeout waiting for " + std::to_string(waitingFor_));
            exitCode_ = 1;
            finished_ = true;
            return;
        }
        Next();
    }

    void Next() {
        while (next_ < steps_.size()) {
            const std::wstring step = steps_[next_++];
            const size_t colon = step.find(L':');
            const std::wstring verb = step.substr(0, colon);
            const std::wstring arg = colon == std::wstring::npos ? L"" : step.substr(colon + 1);
            if (verb == L"url") {
                player_.SetURL(std::u16string(arg.begin(), arg.end()));
            } else if (verb == L"play") {
                player_.play();
            } else if (verb == L"pause") {
                player_.pause();
            } else if (verb == L"stop") {
                player_.stop();
            } else if (verb == L"volume") {
                player_.SetVolume(_wtoi(arg.c_str()));
            } else if (verb == L"seek") {
                player_.SetCurrentPosition(_wtof(arg.c_str()));
            } else if (verb == L"hold") {
                Sleep(static_cast<DWORD>(_wtoi(arg.c_str())));
            } else if (verb == L"sleep") {
                Log("step " + Utf8(std::u16string(step.begin(), step.end())));
                timer_ = SetTimer(nullptr, 0, static_cast<UINT>(_wtoi(arg.c_str())), nullptr);
                return;
            } else if (verb == L"until") {
                const size_t second = arg.find(L':');
                const int state = _wtoi(arg.substr(0, second).c_str());
                Log("step " + Utf8(std::u16string(step.begin(), step.end())));
                if (player_.playState() == state) continue;
                waitingFor_ = state;
                const double seconds =
                    second == std::wstring::npos ? 10.0 : _wtof(arg.substr(second + 1).c_str());
                timer_ = SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), nullptr);
                return;
            } else {
                std::fprintf(stderr, "unknown step\n");
                exitCode_ = 2;
                finished_ = true;
                return;
            }
            Log("step " + Utf8(std::u16string(step.begin(), step.end())));
        }
        finished_ = true;
    }

    MediaPlayerWin32 player_;
    std::vector<std::wstring> steps_;
    size_t next_ = 0;
    ULONGLONG start_;
    UINT_PTR timer_ = 0;
    static constexpr UINT kHeartbeatMillis = 100;
    UINT_PTR heartbeat_ = 0;
    ULONGLONG lastBeat_ = 0;
    ULONGLONG maxLag_ = 0;
    int waitingFor_ = -1;
    bool finished_ = false;
    int exitCode_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mulan-playcheck STEP...\n");
        return 2;
    }
    Driver driver(std::vector<std::wstring>(argv + 1, argv + argc));
    return driver.Run();
}
