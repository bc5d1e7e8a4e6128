#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "player/audio_format.h"
#include "player/pcm_feed.h"

namespace mulan::player {

// Turns compressed audio into 16-bit interleaved samples; the platform supplies it.
class PcmDecoder {
  public:
    virtual ~PcmDecoder() = default;
    // Decodes whole frames (MP3) or whole blocks (WAV); false when the data cannot be decoded.
    virtual bool Decode(std::span<const uint8_t> input, std::vector<int16_t>& out) = 0;
    // No more input: whatever the decoder holds back comes out.
    virtual void Finish(std::vector<int16_t>& out) = 0;
};

class DecoderFactory {
  public:
    virtual ~DecoderFactory() = default;
    // Null when the platform has no decoder for the format.
    virtual std::unique_ptr<PcmDecoder> ForMp3(const Mp3Frame& first) = 0;
    virtual std::unique_ptr<PcmDecoder> ForWav(const WavInfo& info) = 0;
};

// A song as it downloads: recognises the format, decodes what has arrived and keeps the samples,
// so that playing can start early and seeking back needs no second download. It keeps the whole
// decoded song, so it serves only where the platform has no streaming decoder.
class AudioTrack final : public PcmFeed {
  public:
    enum class Status { Opening, Playable, Failed };

    explicit AudioTrack(DecoderFactory& decoders) : decoders_(decoders) {}

    void SetContentLength(std::optional<uint64_t> bytes) { contentLength_ = bytes; }
    // Takes the next bytes of the download.
    Status Append(std::span<const uint8_t> bytes);
    // The download has ended: decodes the rest.
    Status Finish();
    Status status() const { return status_; }

    bool complete() const { return complete_; }
    uint32_t sampleRate() const override { return sampleRate_; }
    uint16_t channels() const override { return channels_; }
    size_t Read(uint64_t frame, std::span<int16_t> into) override;
    // Read and EndsAt may be called from the output's thread while Append and Finish run on the
    // download's side; the other members belong to the thread that appends.
    bool EndsAt(uint64_t frame) const override;
    const std::vector<int16_t>& samples() const { return samples_; }
    // Frames (one sample per channel) decoded so far.
    size_t frames() const { return channels_ ? samples_.size() / channels_ : 0; }
    // Exact once complete; before that estimated from the download's length.
    double duration() const override;

    // Decoded audio needed before playing starts while the download goes on.
    static constexpr double kStartSeconds = 0.5;

  private:
    Status Update();
    bool Start();
    bool DecodeMp3();
    bool DecodeWav();
    Status Fail();

    DecoderFactory& decoders_;
    std::unique_ptr<PcmDecoder> decoder_;
    std::optional<uint64_t> contentLength_;
    AudioKind kind_ = AudioKind::NeedMore;
    std::vector<uint8_t> pending_;  // bytes not yet decoded
    uint64_t headerBytes_ = 0;      // bytes before the first frame or sample
    uint64_t wavDataSize_ = 0;
    uint64_t wavDataLeft_ = 0;  // sample bytes of a WAV still to come
    bool wavDataBounded_ = false;
    bool passThrough_ = false;  // 16-bit PCM WAV needs no decoder
    uint32_t blockAlign_ = 0;
    uint32_t bitrate_ = 0;   // MP3: of the first frame, for the estimate
    uint32_t byteRate_ = 0;  // WAV
    uint32_t sampleRate_ = 0;
    uint16_t channels_ = 0;
    mutable std::mutex samplesMutex_;  // guards samples_ and complete_ across threads
    std::vector<int16_t> samples_;
    bool complete_ = false;
    Status status_ = Status::Opening;
};

}  // namespace mulan::player
