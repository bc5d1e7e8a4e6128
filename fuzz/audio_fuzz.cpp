// A download as the player takes it in: the format readers on the first bytes, then the whole
// track fed in pieces whose size the input's last byte picks, with decoders that turn every byte into a
// sample.
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>

#include "player/audio_format.h"
#include "player/audio_track.h"
#include "fuzz_site.h"

namespace {

using namespace mulan::player;

class ByteDecoder final : public PcmDecoder {
  public:
    bool Decode(std::span<const uint8_t> input, std::vector<int16_t>& out) override {
        for (const uint8_t byte : input) out.push_back(static_cast<int16_t>(byte));
        return true;
    }
    void Finish(std::vector<int16_t>&) override {}
};

class ByteDecoders final : public DecoderFactory {
  public:
    std::unique_ptr<PcmDecoder> ForMp3(const Mp3Frame&) override { return std::make_unique<ByteDecoder>(); }
    std::unique_ptr<PcmDecoder> ForWav(const WavInfo&) override { return std::make_unique<ByteDecoder>(); }
};

void ReadHeaders(std::span<const uint8_t> bytes) {
    (void)ParseMp3Header(bytes.first(std::min<size_t>(bytes.size(), 4)));
    (void)Id3v2Size(bytes);
    (void)SniffAudio(bytes, false);
    (void)SniffAudio(bytes, true);
    if (const auto wav = ParseWavHeader(bytes))
        mulan::fuzz::Check(wav->dataOffset <= bytes.size(), "samples past the end");
    if (const auto first = FirstMp3Frame(bytes))
        mulan::fuzz::Check(*first < bytes.size(), "frame past the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The last byte picks the piece size, so that whole files serve as seeds.
    const size_t piece = 1 + data[size - 1] * 16u;
    const std::span<const uint8_t> bytes(data, size - 1);
    ReadHeaders(bytes);
    ByteDecoders decoders;
    AudioTrack track(decoders);
    track.SetContentLength(bytes.size());
    for (size_t at = 0; at < bytes.size(); at += piece) {
        track.Append(bytes.subspan(at, std::min(piece, bytes.size() - at)));
        mulan::fuzz::Check(std::isfinite(track.duration()) && track.duration() >= 0, "bad duration");
    }
    if (track.Finish() == AudioTrack::Status::Playable) {
        mulan::fuzz::Check(track.frames() > 0 && track.sampleRate() > 0, "playable without samples");
    }
    return 0;
}
