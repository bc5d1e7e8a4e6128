#include "player/wave_output_win32.h"

#include "base/report.h"

#include <algorithm>

#include "player/pcm_volume.h"

namespace mulan::player {

void WaveOutput::WarmUp() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR)
        waveOutClose(device);
}

WaveOutput::~WaveOutput() {
    Close();
}

bool WaveOutput::Open(PcmFeed& feed, HWND window, UINT message) {
    Close();
    wake_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wake_) return false;
    const uint16_t channels = feed.channels();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = feed.sampleRate();
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (waveOutOpen(&device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake_.get()), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device_ = nullptr;
        wake_.reset();
        return false;
    }
    feed_ = &feed;
    window_ = window;
    message_ = message;
    channels_ = channels;
    // A tenth of a second a buffer: pause, seek and volume take effect within about that.
    bufferFrames_ = std::max<size_t>(format.nSamplesPerSec / 10, 1);
    for (size_t i = 0; i < kBuffers; ++i) {
        buffers_[i].assign(bufferFrames_ * channels, 0);
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = reinterpret_cast<LPSTR>(buffers_[i].data());
        headers_[i].dwBufferLength = static_cast<DWORD>(buffers_[i].size() * sizeof(int16_t));
        waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
    }
    ++run_;
    running_ = paused_ = starved_ = tell_ = quit_ = false;
    runStart_ = submitted_ = 0;
    thread_ = std::thread([this] {
        RunGuarded(
            [this] {
                for (;;) {
                    WaitForSingleObject(wake_.get(), INFINITE);
                    std::lock_guard lock(mutex_);
                    if (quit_) return;
                    Pump();
                }
            },
            [] {});  // the sound stops; Close still joins the thread
    });
    return true;
}

void WaveOutput::Close() {
    if (!device_) return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        ++run_;
    }
    SetEvent(wake_.get());
    if (thread_.joinable()) thread_.join();
    waveOutReset(device_);
    for (WAVEHDR& header : headers_) waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    waveOutClose(device_);
    device_ = nullptr;
    wake_.reset();
    feed_ = nullptr;
    running_ = false;
}

void WaveOutput::Pump() {
    if (!running_) return;
    Fill();
    const bool dry = std::none_of(headers_.begin(), headers_.end(),
                                  [](const WAVEHDR& header) { return (header.dwFlags & WHDR_INQUEUE) != 0; });
    // A paused device keeps what it was given; whether the song has ended is seen after Resume.
    if (dry && !paused_ && feed_->EndsAt(submitted_)) {
        // Every buffer has come back played: the song has been heard to its end, or to where its
        // data stops.
        running_ = false;
        Report(Ended);
        return;
    }
    const bool starved = dry && !paused_;
    if (starved != starved_ || tell_) {
        starved_ = starved;
        tell_ = false;
        Report(starved ? RanDry : Flowing);
    }
}

void WaveOutput::Fill() {
    for (size_t i = 0; i < kBuffers; ++i) {
        WAVEHDR& header = headers_[i];
        if (header.dwFlags & WHDR_INQUEUE) continue;
        const std::span<int16_t> into(buffers_[i].data(), bufferFrames_ * channels_);
        const size_t frames = feed_->Read(submitted_, into);
        if (frames == 0) return;
        ApplyVolume(into.first(frames * channels_), volume_);
        submitted_ += frames;
        header.dwBufferLength = static_cast<DWORD>(frames * channels_ * sizeof(int16_t));
        header.dwFlags &= ~WHDR_DONE;
        waveOutWrite(device_, &header, sizeof(WAVEHDR));
    }
}

void WaveOutput::Report(Event event) {
    PostMessageW(window_, message_, run_, event);
}

void WaveOutput::Restart(uint64_t frame) {
    waveOutReset(device_);
    // The device's pause outlasts a reset on some systems and not on others: say which is wanted.
    if (paused_) {
        waveOutPause(device_);
    } else {
        waveOutRestart(device_);
    }
    ++run_;
    running_ = true;
    tell_ = true;
    runStart_ = submitted_ = frame;
    SetEvent(wake_.get());
}

void WaveOutput::Start(uint64_t frame, bool paused) {
    if (!device_) return;
    std::lock_guard lock(mutex_);
    paused_ = paused;
    Restart(frame);
}

void WaveOutput::Stop() {
    if (!device_) return;
    std::lock_guard lock(mutex_);
    waveOutReset(device_);
    ++run_;
    running_ = false;
    runStart_ = submitted_ = 0;
}

void WaveOutput::Pause() {
    if (!device_) return;
    std::lock_guard lock(mutex_);
    paused_ = true;
    waveOutPause(device_);
}

void WaveOutput::Resume() {
    if (!device_) return;
    std::lock_guard lock(mutex_);
    paused_ = false;
    tell_ = true;
    waveOutRestart(device_);
    SetEvent(wake_.get());
}

void WaveOutput::SetVolume(int32_t volume) {
    std::lock_guard lock(mutex_);
    if (volume == volume_) return;
    volume_ = volume;
    // The queued buffers carry the old volume.
    if (device_ && running_) Restart(PositionLocked());
}

void WaveOutput::MoreData() {
    if (wake_) SetEvent(wake_.get());
}

uint64_t WaveOutput::PositionLocked() const {
    if (!running_) return runStart_;
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    uint64_t played = 0;
    if (waveOutGetPosition(device_, &time, sizeof time) == MMSYSERR_NOERROR) {
        if (time.wType == TIME_SAMPLES) played = time.u.sample;
        if (time.wType == TIME_BYTES) played = time.u.cb / (channels_ * sizeof(int16_t));
    }
    return std::min(runStart_ + played, submitted_);
}

uint64_t WaveOutput::Position() const {
    std::lock_guard lock(mutex_);
    return device_ ? PositionLocked() : 0;
}

bool WaveOutput::Starved() const {
    std::lock_guard lock(mutex_);
    return running_ && starved_;
}

bool WaveOutput::IsCurrent(uint64_t run) const {
    std::lock_guard lock(mutex_);
    return run == run_;
}

}  // namespace mulan::player
