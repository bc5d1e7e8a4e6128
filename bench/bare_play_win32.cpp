// bare-play [--on-lines] FILE-OR-URL: the floor a player's processor time is measured against. It decodes an MP3
// (or anything the platform reads) with the Media Foundation source reader into 16-bit PCM and plays
// it with waveOut, four buffers of 100 ms refilled when the device signals its event, once to the
// end. Nothing else runs: no window, no timer, no decoding ahead. FILE-OR-URL is a path, or an
// address where the platform's source reader opens one (Wine 8's does not open http). Exit status 0
// when it played to the end, 1 when it could not open, decode or play the file. With --on-lines it
// waits for a line on its input before each play, until the input ends.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <mmsystem.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

using Microsoft::WRL::ComPtr;

constexpr int kBuffers = 4;
constexpr DWORD kBufferMillis = 100;
constexpr DWORD kFirstAudio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

// The reader's samples, cut into the device's buffer sizes.
class Decoder {
  public:
    explicit Decoder(ComPtr<IMFSourceReader> reader) : reader_(std::move(reader)) {}

    // Fills out with up to size bytes; fewer only at the end of the stream (0: nothing left).
    size_t Fill(BYTE* out, size_t size) {
        while (pending_.size() - offset_ < size && !ended_) Read();
        const size_t count = std::min(size, pending_.size() - offset_);
        std::memcpy(out, pending_.data() + offset_, count);
        offset_ += count;
        return count;
    }
    bool failed() const { return failed_; }

  private:
    void Read() {
        DWORD flags = 0;
        ComPtr<IMFSample> sample;
        if (FAILED(reader_->ReadSample(kFirstAudio, 0, nullptr, &flags, nullptr, &sample))) {
            failed_ = ended_ = true;
            return;
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) ended_ = true;
        if (!sample) return;
        ComPtr<IMFMediaBuffer> buffer;
        BYTE* data = nullptr;
        DWORD length = 0;
        if (FAILED(sample->ConvertToContiguousBuffer(&buffer)) ||
            FAILED(buffer->Lock(&data, nullptr, &length))) {
            failed_ = ended_ = true;
            return;
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(offset_));
        offset_ = 0;
        pending_.insert(pending_.end(), data, data + length);
        buffer->Unlock();
    }

    ComPtr<IMFSourceReader> reader_;
    std::vector<BYTE> pending_;
    size_t offset_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

// Asks the reader for 16-bit PCM and says what it gives.
bool ChoosePcm(IMFSourceReader* reader, WAVEFORMATEX& format) {
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    reader->SetStreamSelection(kFirstAudio, TRUE);
    ComPtr<IMFMediaType> pcm;
    ComPtr<IMFMediaType> actual;
    if (FAILED(MFCreateMediaType(&pcm))) return false;
    pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    pcm->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
    if (FAILED(reader->SetCurrentMediaType(kFirstAudio, nullptr, pcm.Get())) ||
        FAILED(reader->GetCurrentMediaType(kFirstAudio, &actual)))
        return false;
    UINT32 rate = 0, channels = 0, bits = 0;
    actual->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    actual->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    actual->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    if (rate == 0 || channels == 0 || channels > 8 || bits != 16) return false;
    format = WAVEFORMATEX{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return true;
}

// Plays the decoder's output to its end; the seconds played, or a negative number on failure.
double Play(Decoder& decoder, const WAVEFORMATEX& format) {
    const HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!wake) return -1;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        CloseHandle(wake);
        return -1;
    }
    const size_t size =
        format.nAvgBytesPerSec / (1000 / kBufferMillis) / format.nBlockAlign * format.nBlockAlign;
    std::vector<BYTE> memory[kBuffers];
    WAVEHDR headers[kBuffers]{};
    bool queued[kBuffers]{};
    int inFlight = 0;
    double bytes = 0;
    const auto refill = [&](int i) {
        const size_t count = decoder.Fill(memory[i].data(), size);
        if (count == 0) return;
        headers[i].dwBufferLength = static_cast<DWORD>(count);
        headers[i].dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        if (waveOutWrite(device, &headers[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return;
        queued[i] = true;
        ++inFlight;
        bytes += static_cast<double>(count);
    };
    for (int i = 0; i < kBuffers; ++i) {
        memory[i].resize(size);
        headers[i].lpData = reinterpret_cast<LPSTR>(memory[i].data());
        headers[i].dwBufferLength = static_cast<DWORD>(size);
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        refill(i);
    }
    while (inFlight > 0) {
        WaitForSingleObject(wake, INFINITE);
        for (int i = 0; i < kBuffers; ++i) {
            if (!queued[i] || !(headers[i].dwFlags & WHDR_DONE)) continue;
            queued[i] = false;
            --inFlight;
            refill(i);
        }
    }
    waveOutReset(device);
    for (WAVEHDR& header : headers) waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutClose(device);
    CloseHandle(wake);
    return decoder.failed() ? -1 : bytes / format.nAvgBytesPerSec;
}

int PlayFile(const wchar_t* source) {
    ComPtr<IMFSourceReader> reader;
    WAVEFORMATEX format{};
    if (FAILED(MFCreateSourceReaderFromURL(source, nullptr, &reader)) || !ChoosePcm(reader.Get(), format)) {
        std::fprintf(stderr, "bare-play: cannot open %ls as audio\n", source);
        return 1;
    }
    Decoder decoder(std::move(reader));
    const double seconds = Play(decoder, format);
    if (seconds < 0) {
        std::fprintf(stderr, "bare-play: playing %ls failed\n", source);
        return 1;
    }
    std::printf("played %.1f s (%lu Hz, %u channels)\n", seconds, format.nSamplesPerSec, format.nChannels);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool onLines = argc == 3 && std::wcscmp(argv[1], L"--on-lines") == 0;
    if (argc != 2 && !onLines) {
        std::fprintf(stderr, "usage: bare-play [--on-lines] FILE-OR-URL\n");
        return 2;
    }
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(MFStartup(MF_VERSION))) {
        std::fprintf(stderr, "bare-play: Media Foundation did not start\n");
        if (SUCCEEDED(com)) CoUninitialize();
        return 1;
    }
    int status = 0;
    if (onLines) {
        // Started beforehand, it plays the file once for each line read, from the moment the line
        // comes: the floor of a start that a running player could reach, first and again.
        char line[64];
        while (status == 0 && std::fgets(line, sizeof line, stdin)) status = PlayFile(argv[2]);
    } else {
        status = PlayFile(argv[1]);
    }
    MFShutdown();
    if (SUCCEEDED(com)) CoUninitialize();
    return status;
}
