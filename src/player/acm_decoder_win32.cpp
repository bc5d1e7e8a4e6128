#include "player/acm_decoder_win32.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstring>
#include <vector>

namespace mulan::player {

namespace {

class AcmDecoder final : public PcmDecoder {
  public:
    AcmDecoder(HACMSTREAM stream, DWORD outBlock) : stream_(stream), outBlock_(outBlock) {}
    ~AcmDecoder() override { acmStreamClose(stream_, 0); }
    AcmDecoder(const AcmDecoder&) = delete;
    AcmDecoder& operator=(const AcmDecoder&) = delete;

    bool Decode(std::span<const uint8_t> input, std::vector<int16_t>& out) override {
        held_.insert(held_.end(), input.begin(), input.end());
        return Convert(ACM_STREAMCONVERTF_BLOCKALIGN, out);
    }

    void Finish(std::vector<int16_t>& out) override { Convert(ACM_STREAMCONVERTF_END, out); }

  private:
    bool Convert(DWORD flags, std::vector<int16_t>& out) {
        if (held_.empty() && !(flags & ACM_STREAMCONVERTF_END)) return true;
        DWORD outSize = 0;
        const auto inSize = static_cast<DWORD>(held_.size());
        if (acmStreamSize(stream_, inSize ? inSize : 1, &outSize, ACM_STREAMSIZEF_SOURCE) != 0) return false;
        outSize += outBlock_ * 4;
        std::vector<BYTE> pcm(outSize);
        std::vector<BYTE> in(held_.begin(), held_.end());
        in.resize(in.empty() ? 1 : in.size());
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = in.data();
        header.cbSrcLength = inSize;
        header.pbDst = pcm.data();
        header.cbDstLength = outSize;
        if (acmStreamPrepareHeader(stream_, &header, 0) != 0) return false;
        const MMRESULT converted =
            acmStreamConvert(stream_, &header, flags | (started_ ? 0 : ACM_STREAMCONVERTF_START));
        started_ = true;
        const DWORD used = header.cbSrcLengthUsed;
        const DWORD produced = header.cbDstLengthUsed;
        header.cbSrcLength = static_cast<DWORD>(in.size());
        header.cbDstLength = outSize;
        acmStreamUnprepareHeader(stream_, &header, 0);
        if (converted != 0) return false;
        const size_t first = out.size();
        out.resize(first + produced / 2);
        std::memcpy(out.data() + first, pcm.data(), produced / 2 * 2);
        held_.erase(held_.begin(), held_.begin() + std::min<size_t>(used, held_.size()));
        return true;
    }

    HACMSTREAM stream_;
    DWORD outBlock_;
    bool started_ = false;
    std::vector<uint8_t> held_;  // input the codec has not taken yet
};

std::unique_ptr<PcmDecoder> OpenStream(const WAVEFORMATEX* source) {
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = source->nChannels;
    pcm.nSamplesPerSec = source->nSamplesPerSec;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * 2);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, const_cast<WAVEFORMATEX*>(source), &pcm, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != 0) {
        return nullptr;
    }
    return std::make_unique<AcmDecoder>(stream, pcm.nBlockAlign);
}

}  // namespace

std::unique_ptr<PcmDecoder> AcmDecoderFactory::ForMp3(const Mp3Frame& first) {
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = first.channels;
    mp3.wfx.nSamplesPerSec = first.sampleRate;
    mp3.wfx.nAvgBytesPerSec = first.bitrate / 8;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = static_cast<WORD>(first.length);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;
    return OpenStream(&mp3.wfx);
}

std::unique_ptr<PcmDecoder> AcmDecoderFactory::ForWav(const WavInfo& info) {
    // The codec reads the format chunk as a WAVEFORMATEX, with its extra bytes after it.
    std::vector<BYTE> format(info.format.begin(), info.format.end());
    if (format.size() < sizeof(WAVEFORMATEX)) format.resize(sizeof(WAVEFORMATEX), 0);
    return OpenStream(reinterpret_cast<const WAVEFORMATEX*>(format.data()));
}

}  // namespace mulan::player
