#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "base/scoped_kernel_win32.h"
#include "player/pcm_feed.h"
#include "player/sound_output.h"

namespace mulan::player {

// Plays a feed's samples through the system's wave output from a thread of its own: the device
// signals an event as each buffer comes back, and the thread refills it from the feed, scaled to
// the volume. The user-interface thread only starts, pauses and places the run, and hears by
// message (wParam the run's number, lParam an Event) when the output runs dry, flows again or
// has played the song to its end; it asks Starved for the state, since a message may be late. Nothing polls:
// the thread sleeps until a buffer or a command wakes it.
class WaveOutput final : public SoundOutput {
  public:
    enum Event : LPARAM { RanDry = 1, Flowing = 2, Ended = 3 };

    // Opens and closes the system's output once, so that its driver is loaded before the first
    // song: for a worker thread, as it takes a while the first time.
    static void WarmUp();

    WaveOutput() = default;
    ~WaveOutput() override;
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    // The feed must outlive the output's Close; its Read and EndsAt are called from the
    // output's thread.
    bool Open(PcmFeed& feed, HWND window, UINT message);
    // Where Open(feed) reports.
    void ReportTo(HWND window, UINT message) {
        reportWindow_ = window;
        reportMessage_ = message;
    }
    bool Open(PcmFeed& feed) override { return Open(feed, reportWindow_, reportMessage_); }
    void Close() override;
    bool IsOpen() const { return device_ != nullptr; }

    // Drops what is queued and plays from `frame` (or stays paused there, with the buffers
    // filled, when `paused`).
    void Start(uint64_t frame, bool paused) override;
    // Drops what is queued; nothing plays until the next Start.
    void Stop() override;
    void Pause() override;
    void Resume() override;
    // Requeues from the position heard, so a change is heard at once.
    void SetVolume(int32_t volume) override;
    // The feed has more samples: an output that ran dry takes them.
    void MoreData() override;

    // The frame being heard: where the run started plus what the device has played, never past
    // what it was given.
    uint64_t Position() const override;
    // Whether the running output has nothing queued and is waiting for the feed.
    bool Starved() const override;
    // Whether a message of this number belongs to the current run.
    bool IsCurrent(uint64_t run) const override;

  private:
    static constexpr size_t kBuffers = 4;

    void Pump();
    void Fill();
    void Report(Event event);
    void Restart(uint64_t frame);
    uint64_t PositionLocked() const;

    mutable std::mutex mutex_;
    std::thread thread_;
    win::ScopedKernelHandle wake_;  // auto-reset: a buffer came back, or a command needs the thread
    HWAVEOUT device_ = nullptr;
    PcmFeed* feed_ = nullptr;
    HWND window_ = nullptr;
    HWND reportWindow_ = nullptr;
    UINT reportMessage_ = 0;
    UINT message_ = 0;
    uint16_t channels_ = 0;
    size_t bufferFrames_ = 0;
    std::array<WAVEHDR, kBuffers> headers_{};
    std::array<std::vector<int16_t>, kBuffers> buffers_;
    int32_t volume_ = 50;
    WPARAM run_ = 0;
    bool running_ = false;
    bool paused_ = false;
    bool starved_ = false;
    bool tell_ = false;  // report the state after a restart or resume even if unchanged
    bool quit_ = false;
    uint64_t runStart_ = 0;   // frame the device started from at its last reset
    uint64_t submitted_ = 0;  // next frame to give the device
};

}  // namespace mulan::player
