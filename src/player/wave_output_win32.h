#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace mulan::app {

// Plays 16-bit samples through the system's wave output. Finished buffers come back as MM_WOM_DONE
// messages to the given window, whose owner then calls Refill; nothing polls.
class WaveOutput {
  public:
    // Supplies up to `frames` frames for a buffer, already scaled; returns how many it gave.
    using Source = std::function<size_t(int16_t* into, size_t frames)>;

    WaveOutput() = default;
    ~WaveOutput();
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    bool Open(HWND window, uint32_t sampleRate, uint16_t channels);
    void Close();
    bool IsOpen() const { return device_ != nullptr; }

    // Queues every free buffer that the source can fill.
    void Refill(const Source& source);
    // Drops everything queued; the played-frames count starts again at 0.
    void Reset();
    void Pause();
    void Resume();
    // Frames heard since the last Reset.
    uint64_t PlayedFrames() const;
    bool AnyQueued() const;

  private:
    static constexpr size_t kBuffers = 4;

    HWAVEOUT device_ = nullptr;
    uint16_t channels_ = 0;
    size_t bufferFrames_ = 0;
    std::array<WAVEHDR, kBuffers> headers_{};
    std::array<std::vector<int16_t>, kBuffers> buffers_;
};

}  // namespace mulan::app
