#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mulan::player {

// What the first bytes of a download say about it.
enum class AudioKind { NeedMore, NotAudio, Wav, Mp3 };

// The "fmt " chunk of a WAV file and where its samples lie.
struct WavInfo {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> format;  // the whole chunk, for a decoder that wants it
    size_t dataOffset = 0;
    // Bytes of samples; a size the header leaves open (0 or all ones) runs to the end of the data.
    std::optional<uint64_t> dataSize;
};

// One MPEG audio layer III frame header.
struct Mp3Frame {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint32_t bitrate = 0;  // bits per second
    uint32_t length = 0;   // bytes of the whole frame
    uint32_t samples = 0;  // samples per channel in the frame
};

// Reads a frame header at the start of bytes; nothing when the four bytes are not one.
std::optional<Mp3Frame> ParseMp3Header(std::span<const uint8_t> bytes);

// Bytes of an ID3v2 tag at the start, 0 without one; needs the first 10 bytes.
size_t Id3v2Size(std::span<const uint8_t> bytes);

// Looks at the start of a download. complete: no more bytes will come, so "need more" becomes
// "not audio". An MP3 is recognised by two consecutive frame headers after any ID3 tag.
AudioKind SniffAudio(std::span<const uint8_t> bytes, bool complete);

// The WAV header, once the bytes reach the start of the samples; nothing before that or when the
// header is broken.
std::optional<WavInfo> ParseWavHeader(std::span<const uint8_t> bytes);

// The offset of the first MP3 frame (after the ID3 tag, two headers in a row); nothing if not found.
std::optional<size_t> FirstMp3Frame(std::span<const uint8_t> bytes);

}  // namespace mulan::player
