#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/audio_format.h"
#include "player/audio_track.h"
#include "player/pcm_volume.h"

namespace mulan::player {
namespace {

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz, joint stereo, no padding: 417 bytes a frame.
constexpr uint8_t kFrameHeader[] = {0xFF, 0xFB, 0x90, 0x44};
constexpr size_t kFrameLength = 417;

std::vector<uint8_t> Mp3Stream(int frames, bool id3 = true) {
    std::vector<uint8_t> bytes;
    if (id3) {
        // A tag of 20 bytes of body.
        bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
        bytes.resize(30, 0);
    }
    for (int i = 0; i < frames; ++i) {
        bytes.insert(bytes.end(), std::begin(kFrameHeader), std::end(kFrameHeader));
        bytes.resize(bytes.size() + kFrameLength - 4, static_cast<uint8_t>(i));
    }
    return bytes;
}

void PutLe(std::vector<uint8_t>& b, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> WavFile(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    std::vector<uint8_t> b{'R', 'I', 'F', 'F'};
    PutLe(b, static_cast<uint32_t>(36 + samples.size() * 2), 4);
    for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, channels, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * channels * 2, 4);
    PutLe(b, channels * 2u, 2);
    PutLe(b, 16, 2);
    for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
    PutLe(b, static_cast<uint32_t>(samples.size() * 2), 4);
    for (int16_t s : samples) PutLe(b, static_cast<uint16_t>(s), 2);
    return b;
}

// Stands in for the platform's MP3 decoder: 1152 stereo frames of the frame's first body byte
// for every whole frame it is given.
class FakeMp3Decoder : public PcmDecoder {
  public:
    explicit FakeMp3Decoder(int* framesSeen, bool fail) : framesSeen_(framesSeen), fail_(fail) {}
    bool Decode(std::span<const uint8_t> input, std::vector<int16_t>& out) override {
        if (fail_) return false;
        EXPECT_EQ(input.size() % kFrameLength, 0u);
        for (size_t at = 0; at + kFrameLength <= input.size(); at += kFrameLength) {
            EXPECT_EQ(input[at], 0xFF);
            out.insert(out.end(), 1152 * 2, static_cast<int16_t>(input[at + 4]));
            ++*framesSeen_;
        }
        return true;
    }
    void Finish(std::vector<int16_t>&) override { finished = true; }
    bool finished = false;

  private:
    int* framesSeen_;
    bool fail_;
};

class FakeDecoders : public DecoderFactory {
  public:
    std::unique_ptr<PcmDecoder> ForMp3(const Mp3Frame& first) override {
        EXPECT_EQ(first.sampleRate, 44100u);
        return std::make_unique<FakeMp3Decoder>(&framesSeen, failDecoding);
    }
    std::unique_ptr<PcmDecoder> ForWav(const WavInfo&) override { return nullptr; }
    int framesSeen = 0;
    bool failDecoding = false;
};

TEST(AudioFormat, Mp3FrameHeadersAreReadAndOtherBytesRefused) {
    const auto frame = ParseMp3Header(kFrameHeader);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->sampleRate, 44100u);
    EXPECT_EQ(frame->bitrate, 128000u);
    EXPECT_EQ(frame->channels, 2);
    EXPECT_EQ(frame->length, kFrameLength);
    EXPECT_EQ(frame->samples, 1152u);
    const uint8_t padded[] = {0xFF, 0xFB, 0x92, 0xC4};
    EXPECT_EQ(ParseMp3Header(padded)->length, 418u);
    EXPECT_EQ(ParseMp3Header(padded)->channels, 1);
    const uint8_t layer2[] = {0xFF, 0xFD, 0x90, 0x44};
    const uint8_t badRate[] = {0xFF, 0xFB, 0x9C, 0x44};
    const uint8_t freeBitrate[] = {0xFF, 0xFB, 0x00, 0x44};
    EXPECT_FALSE(ParseMp3Header(layer2));
    EXPECT_FALSE(ParseMp3Header(badRate));
    EXPECT_FALSE(ParseMp3Header(freeBitrate));
    EXPECT_FALSE(ParseMp3Header(std::span(kFrameHeader, 3)));
}

TEST(AudioFormat, SniffingTellsMp3WavAndPagesApart) {
    const auto mp3 = Mp3Stream(3);
    EXPECT_EQ(SniffAudio(mp3, false), AudioKind::Mp3);
    EXPECT_EQ(SniffAudio(std::span(mp3).first(40), false), AudioKind::NeedMore);
    EXPECT_EQ(SniffAudio(std::span(mp3).first(40), true), AudioKind::NotAudio);
    EXPECT_EQ(SniffAudio(Mp3Stream(2, false), false), AudioKind::Mp3);
    EXPECT_EQ(SniffAudio(WavFile({1, 2}, 1, 8000), false), AudioKind::Wav);
    const std::string page = "<html><body>404 Not Found</body></html>";
    EXPECT_EQ(SniffAudio(std::vector<uint8_t>(page.begin(), page.end()), false), AudioKind::NotAudio);
    // A tag followed by anything but frames.
    std::vector<uint8_t> tagThenText = Mp3Stream(0);
    tagThenText.resize(30 + 20000, 'x');
    EXPECT_EQ(SniffAudio(tagThenText, false), AudioKind::NotAudio);
    EXPECT_EQ(SniffAudio({}, false), AudioKind::NeedMore);
}

TEST(AudioFormat, WavHeadersGiveFormatAndSamplesAndBrokenOnesNothing) {
    const auto wav = WavFile({1, 2, 3, 4}, 2, 22050);
    const auto info = ParseWavHeader(wav);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->formatTag, 1);
    EXPECT_EQ(info->channels, 2);
    EXPECT_EQ(info->sampleRate, 22050u);
    EXPECT_EQ(info->blockAlign, 4);
    EXPECT_EQ(info->dataOffset, 44u);
    EXPECT_EQ(info->dataSize, 8u);
    EXPECT_FALSE(ParseWavHeader(std::span(wav).first(30)));
    auto noChannels = wav;
    noChannels[22] = 0;
    EXPECT_FALSE(ParseWavHeader(noChannels));
    // A chunk size running past the end is never followed.
    auto hugeChunk = wav;
    hugeChunk[16] = 0xFF;
    hugeChunk[17] = 0xFF;
    hugeChunk[18] = 0xFF;
    hugeChunk[19] = 0xFF;
    EXPECT_FALSE(ParseWavHeader(hugeChunk));
}

TEST(AudioTrack, AnMp3BecomesPlayableAfterHalfASecondAndExactWhenComplete) {
    FakeDecoders decoders;
    AudioTrack track(decoders);
    const auto mp3 = Mp3Stream(100);
    track.SetContentLength(mp3.size());
    // 19 frames are 0.496 s, 20 frames 0.522 s.
    const size_t nineteen = 30 + 19 * kFrameLength + 4;
    EXPECT_EQ(track.Append(std::span(mp3).first(nineteen)), AudioTrack::Status::Opening);
    EXPECT_EQ(track.Append(std::span(mp3).subspan(nineteen, kFrameLength)), AudioTrack::Status::Playable);
    EXPECT_EQ(track.sampleRate(), 44100u);
    EXPECT_EQ(track.channels(), 2);
    EXPECT_EQ(track.frames(), 20u * 1152);
    // Estimated from the length: 100 frames of 417 bytes at 128 kbit/s.
    EXPECT_NEAR(track.duration(), 100 * 417 * 8 / 128000.0, 1e-9);
    track.Append(std::span(mp3).subspan(nineteen + kFrameLength));
    EXPECT_EQ(track.Finish(), AudioTrack::Status::Playable);
    EXPECT_EQ(decoders.framesSeen, 100);
    EXPECT_NEAR(track.duration(), 100 * 1152 / 44100.0, 1e-9);
    // Frame i carries the value i.
    EXPECT_EQ(track.samples()[37 * 1152 * 2], 37);
}

TEST(AudioTrack, BytesArrivingInOddPiecesDecodeAsWhole) {
    FakeDecoders decoders;
    AudioTrack track(decoders);
    const auto mp3 = Mp3Stream(10);
    for (size_t at = 0; at < mp3.size(); at += 7) {
        track.Append(std::span(mp3).subspan(at, std::min<size_t>(7, mp3.size() - at)));
    }
    EXPECT_EQ(track.Finish(), AudioTrack::Status::Playable);
    EXPECT_EQ(decoders.framesSeen, 10);
    EXPECT_EQ(track.frames(), 10u * 1152);
}

TEST(AudioTrack, ACutLastFrameAndJunkBetweenFramesAreSkipped) {
    FakeDecoders decoders;
    AudioTrack track(decoders);
    auto mp3 = Mp3Stream(4);
    const auto more = Mp3Stream(3, false);
    mp3.insert(mp3.end(), {1, 2, 3, 4, 5});
    mp3.insert(mp3.end(), more.begin(), more.end() - 100);
    track.Append(mp3);
    EXPECT_EQ(track.Finish(), AudioTrack::Status::Playable);
    EXPECT_EQ(decoders.framesSeen, 6);
}

TEST(AudioTrack, PagesEmptyDownloadsAndUndecodableDataFail) {
    FakeDecoders decoders;
    {
        AudioTrack track(decoders);
        const std::string page = "<html>Not Found</html>";
        EXPECT_EQ(track.Append(std::vector<uint8_t>(page.begin(), page.end())), AudioTrack::Status::Failed);
    }
    {
        AudioTrack track(decoders);
        EXPECT_EQ(track.Finish(), AudioTrack::Status::Failed);
    }
    {
        decoders.failDecoding = true;
        AudioTrack track(decoders);
        EXPECT_EQ(track.Append(Mp3Stream(5)), AudioTrack::Status::Failed);
        // A failed track takes nothing more.
        EXPECT_EQ(track.Append(Mp3Stream(5)), AudioTrack::Status::Failed);
        EXPECT_EQ(track.Finish(), AudioTrack::Status::Failed);
    }
    {
        // A WAV in a format the platform cannot decode.
        decoders.failDecoding = false;
        AudioTrack track(decoders);
        auto wav = WavFile({1, 2}, 1, 8000);
        wav[20] = 0x55;  // MP3 in WAV, no decoder offered
        track.Append(wav);
        EXPECT_EQ(track.Finish(), AudioTrack::Status::Failed);
    }
}

TEST(AudioTrack, Pcm16WavSamplesPassStraightThrough) {
    FakeDecoders decoders;
    AudioTrack track(decoders);
    std::vector<int16_t> samples;
    for (int i = 0; i < 8000; ++i) samples.push_back(static_cast<int16_t>(i * 3 - 12000));
    auto wav = WavFile(samples, 1, 8000);
    // A chunk after the samples is not taken for audio.
    wav.insert(wav.end(), {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'a', 'b', 'c', 'd'});
    track.SetContentLength(wav.size());
    EXPECT_EQ(track.Append(std::span(wav).first(44 + 4001 * 2 + 1)), AudioTrack::Status::Playable);
    EXPECT_EQ(track.frames(), 4001u);
    EXPECT_NEAR(track.duration(), 1.0, 1e-9);
    track.Append(std::span(wav).subspan(44 + 4001 * 2 + 1));
    EXPECT_EQ(track.Finish(), AudioTrack::Status::Playable);
    EXPECT_EQ(track.samples(), samples);
    EXPECT_NEAR(track.duration(), 1.0, 1e-9);
}

TEST(PcmVolume, ZeroSilencesHundredKeepsAndBetweenScales) {
    std::vector<int16_t> samples{10000, -10000, 32767, -32768};
    auto copy = samples;
    ApplyVolume(copy, 100);
    EXPECT_EQ(copy, samples);
    copy = samples;
    ApplyVolume(copy, 50);
    EXPECT_EQ(copy, (std::vector<int16_t>{2500, -2500, 8191, -8192}));
    copy = samples;
    ApplyVolume(copy, 0);
    EXPECT_EQ(copy, (std::vector<int16_t>{0, 0, 0, 0}));
    copy = samples;
    ApplyVolume(copy, 400);
    EXPECT_EQ(copy, samples);
}

}  // namespace
}  // namespace mulan::player
