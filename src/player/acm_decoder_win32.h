#pragma once

#include "player/audio_track.h"

namespace mulan::player {

// The platform's audio compression manager as the track's decoder: MP3 through its MPEG layer III
// codec, other WAV formats through whatever codec the system has for them.
class AcmDecoderFactory final : public DecoderFactory {
  public:
    std::unique_ptr<PcmDecoder> ForMp3(const Mp3Frame& first) override;
    std::unique_ptr<PcmDecoder> ForWav(const WavInfo& info) override;
};

}  // namespace mulan::player
