#include "player/wave_output_win32.h"

namespace mulan::app {

WaveOutput::~WaveOutput() {
    Close();
}

bool WaveOutput::Open(HWND window, uint32_t sampleRate, uint16_t channels) {
    Close();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = sampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = sampleRate * format.nBlockAlign;
    if (waveOutOpen(&device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(window), 0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        device_ = nullptr;
        return false;
    }
    channels_ = channels;
    // A tenth of a second a buffer: pause, seek and volume take effect within about that.
    bufferFrames_ = sampleRate / 10;
    for (size_t i = 0; i < kBuffers; ++i) {
        buffers_[i].assign(bufferFrames_ * channels, 0);
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = reinterpret_cast<LPSTR>(buffers_[i].data());
        headers_[i].dwBufferLength = static_cast<DWORD>(buffers_[i].size() * sizeof(int16_t));
        waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
    }
    return true;
}

void WaveOutput::Close() {
    if (!device_) return;
    waveOutReset(device_);
    for (WAVEHDR& header : headers_) waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
    waveOutClose(device_);
    device_ = nullptr;
}

void WaveOutput::Refill(const Source& source) {
    if (!device_) return;
    for (size_t i = 0; i < kBuffers; ++i) {
        WAVEHDR& header = headers_[i];
        if (header.dwFlags & WHDR_INQUEUE) continue;
        const size_t frames = source(buffers_[i].data(), bufferFrames_);
        if (frames == 0) return;
        header.dwBufferLength = static_cast<DWORD>(frames * channels_ * sizeof(int16_t));
        header.dwFlags &= ~WHDR_DONE;
        waveOutWrite(device_, &header, sizeof(WAVEHDR));
    }
}

void WaveOutput::Reset() {
    if (device_) waveOutReset(device_);
}

void WaveOutput::Pause() {
    if (device_) waveOutPause(device_);
}

void WaveOutput::Resume() {
    if (device_) waveOutRestart(device_);
}

uint64_t WaveOutput::PlayedFrames() const {
    if (!device_) return 0;
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR) return 0;
    if (time.wType == TIME_SAMPLES) return time.u.sample;
    if (time.wType == TIME_BYTES) return time.u.cb / (channels_ * sizeof(int16_t));
    return 0;
}

bool WaveOutput::AnyQueued() const {
    for (const WAVEHDR& header : headers_) {
        if (header.dwFlags & WHDR_INQUEUE) return true;
    }
    return false;
}

}  // namespace mulan::app
