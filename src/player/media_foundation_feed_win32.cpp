#include "player/media_foundation_feed_win32.h"

#include "base/report.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "player/compressed_bytes.h"
#include "player/download_byte_stream_win32.h"
#include "player/pcm_window.h"

namespace mulan::player {

namespace {

using Microsoft::WRL::ComPtr;

// Decoded ahead of the output, and kept behind it for a volume change that queues the last
// buffers again.
constexpr double kAheadSeconds = 3.0;
constexpr double kBehindSeconds = 1.0;
constexpr double kUnitsPerSecond = 1e7;  // Media Foundation's 100 ns
// A song that ends more than this before its announced length was cut short.
constexpr double kShortfallSeconds = 1.0;
// How long a song change waits for the old song's decoder to wind down.
constexpr auto kWindDownWait = std::chrono::milliseconds(500);

}  // namespace

struct MediaFoundationFeed::Shared {
    std::shared_ptr<ReadableBytes> bytes;
    HWND window = nullptr;
    UINT message = 0;
    WPARAM number = 0;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> quit{false};
    bool opened = false;
    std::optional<OpenFailure> failure;
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    double duration = 0;
    std::unique_ptr<PcmWindow> window_;
    std::optional<uint64_t> seekTo;
    std::optional<uint64_t> endFrame;  // where decoding found the end
    bool starved = false;              // a read found nothing: say when samples come
    bool finished = false;             // the worker has let go of the system's decoder

    void Post(Event event) {
        if (!quit) PostMessageW(window, message, number, event);
    }
    void Fail(OpenFailure why) {
        std::lock_guard lock(mutex);
        failure = why;
        Post(MediaFoundationFeed::Failed);
    }
    bool WantsMore() const {
        return seekTo || (!endFrame && static_cast<double>(window_->ahead()) < kAheadSeconds * sampleRate);
    }
};

namespace {

using Shared = MediaFoundationFeed::Shared;

bool Configure(IMFSourceReader* reader, Shared& shared) {
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), TRUE);
    ComPtr<IMFMediaType> pcm;
    if (FAILED(MFCreateMediaType(&pcm))) return false;
    pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    pcm->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
    if (FAILED(reader->SetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), nullptr,
                                           pcm.Get()))) {
        return false;
    }
    ComPtr<IMFMediaType> actual;
    if (FAILED(
            reader->GetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), &actual))) {
        return false;
    }
    UINT32 rate = 0;
    UINT32 channels = 0;
    UINT32 bits = 0;
    actual->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    actual->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    actual->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    if (rate == 0 || channels == 0 || channels > 8 || bits != 16) return false;
    PROPVARIANT length;
    PropVariantInit(&length);
    double seconds = 0;
    if (SUCCEEDED(reader->GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE),
                                                   MF_PD_DURATION, &length)) &&
        length.vt == VT_UI8) {
        seconds = static_cast<double>(length.uhVal.QuadPart) / kUnitsPerSecond;
    }
    PropVariantClear(&length);
    // A stream without an end has no length, whatever the reader made of the stand-in size.
    if (shared.bytes->length() == ReadableBytes::kUnknownLength) seconds = 0;
    std::lock_guard lock(shared.mutex);
    shared.sampleRate = rate;
    shared.channels = static_cast<uint16_t>(channels);
    shared.duration = seconds;
    shared.window_ = std::make_unique<PcmWindow>(shared.channels, static_cast<size_t>(kBehindSeconds * rate));
    shared.opened = true;
    return true;
}

void Reposition(IMFSourceReader* reader, Shared& shared, uint64_t frame) {
    PROPVARIANT at;
    PropVariantInit(&at);
    at.vt = VT_I8;
    at.hVal.QuadPart =
        static_cast<LONGLONG>(static_cast<double>(frame) * kUnitsPerSecond / shared.sampleRate);
    reader->SetCurrentPosition(GUID_NULL, at);
    PropVariantClear(&at);
}

// Ends the song where decoding stopped: a download that broke off, or a file that stops well
// before its announced length, is reported; otherwise this is the song's end.
void ReachEnd(Shared& shared, uint64_t frame) {
    std::unique_lock lock(shared.mutex);
    const double announced = shared.duration * shared.sampleRate;
    const bool cut =
        shared.duration > 0 && static_cast<double>(frame) + kShortfallSeconds * shared.sampleRate < announced;
    if (shared.bytes->broken()) {
        shared.failure = OpenFailure::Interrupted;
    } else if (cut) {
        shared.failure = OpenFailure::Truncated;
    }
    shared.endFrame = frame;
    shared.Post(MediaFoundationFeed::MoreSamples);
}

// One decoded sample from the reader into the window; false when the reader cannot go on.
bool DecodeNext(IMFSourceReader* reader, Shared& shared, uint64_t& next) {
    DWORD flags = 0;
    LONGLONG time = 0;
    ComPtr<IMFSample> sample;
    const HRESULT hr = reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), 0, nullptr,
                                          &flags, &time, &sample);
    if (FAILED(hr)) return false;
    if (flags & MF_SOURCE_READERF_ENDOFSTREAM) {
        ReachEnd(shared, next);
        return true;
    }
    if (!sample) return true;
    ComPtr<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer))) return false;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(buffer->Lock(&data, nullptr, &length))) return false;
    std::lock_guard lock(shared.mutex);
    const size_t count = length / sizeof(int16_t) / shared.channels * shared.channels;
    const std::span<const int16_t> samples(reinterpret_cast<const int16_t*>(data), count);
    // After a seek the reader starts at a point of its own choosing; its time says where.
    const auto at = static_cast<uint64_t>(static_cast<double>(std::max<LONGLONG>(0, time)) *
                                              static_cast<double>(shared.sampleRate) / kUnitsPerSecond +
                                          0.5);
    const bool fresh = shared.window_->end() == shared.window_->first();
    const uint64_t from = fresh ? std::min(at, next) : next;
    shared.window_->Add(from, samples);
    buffer->Unlock();
    next = from + count / shared.channels;
    if (shared.starved) {
        shared.starved = false;
        shared.Post(MediaFoundationFeed::MoreSamples);
    }
    return true;
}

void Decode(IMFSourceReader* reader, Shared& shared) {
    uint64_t next = 0;
    for (;;) {
        {
            std::unique_lock lock(shared.mutex);
            shared.wake.wait(lock, [&] { return shared.quit || shared.WantsMore(); });
            if (shared.quit) return;
            if (shared.seekTo) {
                next = *shared.seekTo;
                shared.seekTo.reset();
                shared.endFrame.reset();
                shared.window_->Restart(next);
                lock.unlock();
                Reposition(reader, shared, next);
            }
        }
        if (!DecodeNext(reader, shared, next)) {
            std::lock_guard lock(shared.mutex);
            if (shared.quit) return;
            // Bytes dropped from a stream's window cannot be read again; the rest is not audio
            // the platform can decode.
            shared.failure = shared.bytes->broken() ? OpenFailure::Interrupted : OpenFailure::NotAudio;
            shared.Post(MediaFoundationFeed::Failed);
            return;
        }
    }
}

void Work(std::shared_ptr<Shared> shared) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    RunGuarded(
        [&] {
            ComPtr<IMFByteStream> stream = MakeDownloadByteStream(shared->bytes);
            ComPtr<IMFSourceReader> reader;
            if (FAILED(MFCreateSourceReaderFromByteStream(stream.Get(), nullptr, &reader)) ||
                !Configure(reader.Get(), *shared)) {
                if (!shared->quit)
                    shared->Fail(shared->bytes->broken() ? OpenFailure::Interrupted : OpenFailure::NotAudio);
            } else {
                shared->Post(MediaFoundationFeed::Opened);
                Decode(reader.Get(), *shared);
            }
        },
        [&] {
            if (!shared->quit) shared->Fail(OpenFailure::NotAudio);
        });
    if (SUCCEEDED(com)) CoUninitialize();
    {
        std::lock_guard lock(shared->mutex);
        shared->finished = true;
    }
    shared->wake.notify_all();
}

}  // namespace

namespace {

// MPEG-1 layer III frames at 128 kbit/s and 44.1 kHz whose side information is all zeros: silence
// any decoder reads, in the format most songs come in.
std::shared_ptr<CompressedBytes> SilentMp3() {
    constexpr size_t kFrameLength = 417;
    constexpr int kFrames = 8;
    std::vector<uint8_t> frames(kFrameLength * kFrames, 0);
    for (size_t at = 0; at < frames.size(); at += kFrameLength) {
        frames[at] = 0xFF;
        frames[at + 1] = 0xFB;
        frames[at + 2] = 0x90;
        frames[at + 3] = 0x44;
    }
    auto bytes = std::make_shared<CompressedBytes>();
    bytes->SetLength(frames.size());
    bytes->Append(frames);
    bytes->End(false);
    return bytes;
}

void DecodeSilence() {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (MediaFoundationFeed::Available()) {
        ComPtr<IMFByteStream> stream = MakeDownloadByteStream(SilentMp3());
        ComPtr<IMFSourceReader> reader;
        ComPtr<IMFMediaType> pcm;
        if (SUCCEEDED(MFCreateSourceReaderFromByteStream(stream.Get(), nullptr, &reader)) &&
            SUCCEEDED(MFCreateMediaType(&pcm))) {
            pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
            pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
            const auto audio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
            if (SUCCEEDED(reader->SetCurrentMediaType(audio, nullptr, pcm.Get()))) {
                DWORD flags = 0;
                LONGLONG time = 0;
                ComPtr<IMFSample> sample;
                reader->ReadSample(audio, 0, nullptr, &flags, &time, &sample);
            }
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace

void MediaFoundationFeed::WarmUp() {
    DecodeSilence();
}

bool MediaFoundationFeed::Available() {
    // MULAN_PLAYER_DECODER=acm takes the path of a system without Media Foundation, so that the
    // fallback can be heard and measured on a system that has it.
    static const bool started = [] {
        wchar_t decoder[8]{};
        if (GetEnvironmentVariableW(L"MULAN_PLAYER_DECODER", decoder, 8) == 3 &&
            lstrcmpiW(decoder, L"acm") == 0)
            return false;
        return SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
    }();
    return started;
}

MediaFoundationFeed::MediaFoundationFeed(std::shared_ptr<ReadableBytes> bytes, HWND window, UINT message,
                                         WPARAM number)
    : shared_(std::make_shared<Shared>()) {
    shared_->bytes = std::move(bytes);
    shared_->window = window;
    shared_->message = message;
    shared_->number = number;
    worker_ = std::thread(Work, shared_);
}

MediaFoundationFeed::~MediaFoundationFeed() {
    Quit();
    // Usually the worker is gone at once; one still starting the system's decoder is left to
    // finish alone rather than hold the song change up, but not before a short wait, so that a
    // program closing right after a change does not exit under it.
    bool finished = false;
    {
        std::unique_lock lock(shared_->mutex);
        finished = shared_->wake.wait_for(lock, kWindDownWait, [this] { return shared_->finished; });
    }
    if (!worker_.joinable()) return;
    if (finished) {
        worker_.join();
    } else {
        worker_.detach();
    }
}

void MediaFoundationFeed::Quit() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->quit = true;
    }
    shared_->wake.notify_all();
    shared_->bytes->Cancel();
}

void MediaFoundationFeed::Finish() {
    Quit();
    if (worker_.joinable()) worker_.join();
}

bool MediaFoundationFeed::opened() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->opened;
}

std::optional<OpenFailure> MediaFoundationFeed::failure() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->failure;
}

uint32_t MediaFoundationFeed::sampleRate() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->sampleRate;
}

uint16_t MediaFoundationFeed::channels() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->channels;
}

double MediaFoundationFeed::duration() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->duration;
}

size_t MediaFoundationFeed::Read(uint64_t frame, std::span<int16_t> into) {
    size_t count = 0;
    {
        std::lock_guard lock(shared_->mutex);
        if (!shared_->opened) return 0;
        PcmWindow& window = *shared_->window_;
        const bool pendingSeek = shared_->seekTo.has_value();
        if (!pendingSeek && window.Covers(frame)) {
            count = window.Read(frame, into);
        } else if (!pendingSeek || *shared_->seekTo != frame) {
            shared_->seekTo = frame;
        }
        shared_->starved = count == 0;
    }
    shared_->wake.notify_all();
    return count;
}

bool MediaFoundationFeed::EndsAt(uint64_t frame) const {
    std::lock_guard lock(shared_->mutex);
    return shared_->endFrame && !shared_->seekTo && frame >= *shared_->endFrame;
}

}  // namespace mulan::player
