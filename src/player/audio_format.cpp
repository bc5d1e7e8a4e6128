#include "player/audio_format.h"

#include <array>
#include <cstring>

namespace mulan::player {

namespace {

// Kilobits per second for MPEG-1 and MPEG-2/2.5 layer III; index 0 (free) and 15 are refused.
constexpr std::array<uint32_t, 16> kBitrateV1{0,   32,  40,  48,  56,  64,  80,  96,
                                              112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<uint32_t, 16> kBitrateV2{0,  8,  16, 24,  32,  40,  48,  56,
                                              64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<uint32_t, 3> kRateV1{44100, 48000, 32000};

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Le16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

bool HasTag(std::span<const uint8_t> b, size_t at, const char* tag) {
    return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

}  // namespace

std::optional<Mp3Frame> ParseMp3Header(std::span<const uint8_t> b) {
    if (b.size() < 4 || b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return std::nullopt;
    const int version = (b[1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (b[1] >> 1) & 3;    // 1: layer III
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (version == 1 || layer != 1 || rateIndex == 3) return std::nullopt;
    const bool mpeg1 = version == 3;
    const uint32_t kbps = (mpeg1 ? kBitrateV1 : kBitrateV2)[bitrateIndex];
    if (kbps == 0) return std::nullopt;
    Mp3Frame frame;
    frame.sampleRate = kRateV1[rateIndex] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    frame.channels = ((b[3] >> 6) == 3) ? 1 : 2;
    frame.bitrate = kbps * 1000;
    frame.samples = mpeg1 ? 1152 : 576;
    const uint32_t padding = (b[2] >> 1) & 1;
    frame.length = (mpeg1 ? 144 : 72) * frame.bitrate / frame.sampleRate + padding;
    return frame;
}

size_t Id3v2Size(std::span<const uint8_t> b) {
    if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
    if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;
    const size_t body = (size_t{b[6]} << 21) | (size_t{b[7]} << 14) | (size_t{b[8]} << 7) | b[9];
    const size_t footer = (b[5] & 0x10) ? 10 : 0;
    return 10 + body + footer;
}

std::optional<size_t> FirstMp3Frame(std::span<const uint8_t> b) {
    const size_t start = Id3v2Size(b);
    for (size_t at = start; at + 4 <= b.size(); ++at) {
        const auto frame = ParseMp3Header(b.subspan(at));
        if (!frame) continue;
        const size_t next = at + frame->length;
        if (next + 4 > b.size()) return std::nullopt;
        const auto second = ParseMp3Header(b.subspan(next));
        if (second && second->sampleRate == frame->sampleRate) return at;
    }
    return std::nullopt;
}

AudioKind SniffAudio(std::span<const uint8_t> b, bool complete) {
    const AudioKind undecided = complete ? AudioKind::NotAudio : AudioKind::NeedMore;
    if (b.size() < 12) return undecided;
    if (HasTag(b, 0, "RIFF") && HasTag(b, 8, "WAVE")) return AudioKind::Wav;
    const size_t tag = Id3v2Size(b);
    // MP3 files begin with a tag or a frame.
    if (tag == 0 && b[0] != 0xFF) return AudioKind::NotAudio;
    if (tag > b.size()) return undecided;
    if (FirstMp3Frame(b)) return AudioKind::Mp3;
    // A few kilobytes without two frames in a row is not an MP3 stream.
    if (b.size() - tag > 16384) return AudioKind::NotAudio;
    return undecided;
}

std::optional<WavInfo> ParseWavHeader(std::span<const uint8_t> b) {
    if (!HasTag(b, 0, "RIFF") || !HasTag(b, 8, "WAVE")) return std::nullopt;
    WavInfo info;
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t size = Le32(b, at + 4);
        if (HasTag(b, at, "data")) {
            if (!haveFormat) return std::nullopt;
            info.dataOffset = at + 8;
            if (size != 0 && size != 0xFFFFFFFFu) info.dataSize = size;
            return info;
        }
        if (HasTag(b, at, "fmt ")) {
            if (size < 16 || at + 8 + size > b.size()) return std::nullopt;
            info.formatTag = Le16(b, at + 8);
            info.channels = Le16(b, at + 10);
            info.sampleRate = Le32(b, at + 12);
            info.byteRate = Le32(b, at + 16);
            info.blockAlign = Le16(b, at + 20);
            info.bitsPerSample = Le16(b, at + 22);
            info.format.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 8),
                               b.begin() + static_cast<std::ptrdiff_t>(at + 8 + size));
            if (info.channels == 0 || info.sampleRate == 0 || info.blockAlign == 0) return std::nullopt;
            haveFormat = true;
        }
        // Chunks are padded to an even size.
        const uint64_t next = uint64_t{at} + 8 + size + (size & 1);
        if (next > b.size()) return std::nullopt;
        at = static_cast<size_t>(next);
    }
    return std::nullopt;
}

}  // namespace mulan::player
