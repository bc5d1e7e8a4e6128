#include "player/audio_track.h"

#include <algorithm>
#include <cstring>

namespace mulan::player {

AudioTrack::Status AudioTrack::Append(std::span<const uint8_t> bytes) {
    std::lock_guard lock(samplesMutex_);
    if (status_ == Status::Failed || complete_) return status_;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    return Update();
}

AudioTrack::Status AudioTrack::Finish() {
    std::lock_guard lock(samplesMutex_);
    if (status_ == Status::Failed || complete_) return status_;
    complete_ = true;
    const Status status = Update();
    if (status == Status::Failed) return status;
    if (decoder_) decoder_->Finish(samples_);
    if (frames() == 0) return Fail();
    status_ = Status::Playable;
    return status_;
}

AudioTrack::Status AudioTrack::Fail() {
    status_ = Status::Failed;
    pending_.clear();
    decoder_.reset();
    return status_;
}

AudioTrack::Status AudioTrack::Update() {
    if (kind_ == AudioKind::NeedMore) {
        kind_ = SniffAudio(pending_, complete_);
        if (kind_ == AudioKind::NotAudio) return Fail();
        if (kind_ == AudioKind::NeedMore) return status_;
    }
    if (channels_ == 0 && !Start()) {
        return complete_ ? Fail() : status_;
    }
    if (!(kind_ == AudioKind::Mp3 ? DecodeMp3() : DecodeWav())) return Fail();
    if (status_ == Status::Opening && static_cast<double>(frames()) >= kStartSeconds * sampleRate_)
        status_ = Status::Playable;
    return status_;
}

// Reads the header once enough of it is there; false while it is not (or it is broken).
bool AudioTrack::Start() {
    if (kind_ == AudioKind::Wav) {
        const auto info = ParseWavHeader(pending_);
        if (!info) return false;
        if (info->formatTag == 1 && info->bitsPerSample == 16) {
            passThrough_ = true;
        } else {
            decoder_ = decoders_.ForWav(*info);
            if (!decoder_) return false;
        }
        channels_ = info->channels;
        sampleRate_ = info->sampleRate;
        blockAlign_ = info->blockAlign;
        byteRate_ = info->byteRate;
        wavDataBounded_ = info->dataSize.has_value();
        wavDataLeft_ = info->dataSize.value_or(0);
        wavDataSize_ = wavDataLeft_;
        headerBytes_ = info->dataOffset;
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(info->dataOffset));
        return true;
    }
    const auto first = FirstMp3Frame(pending_);
    if (!first) return false;
    const auto frame = ParseMp3Header(std::span(pending_).subspan(*first));
    decoder_ = decoders_.ForMp3(*frame);
    if (!decoder_) return false;
    channels_ = frame->channels;
    sampleRate_ = frame->sampleRate;
    bitrate_ = frame->bitrate;
    headerBytes_ = *first;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(*first));
    return true;
}

bool AudioTrack::DecodeMp3() {
    size_t at = 0;
    size_t frameStart = 0;  // start of the run of whole frames to decode
    std::vector<uint8_t> run;
    while (at + 4 <= pending_.size()) {
        const auto frame = ParseMp3Header(std::span(pending_).subspan(at));
        if (!frame || frame->sampleRate != sampleRate_) {
            // Lost sync (a tag at the end, damaged data): look for the next frame.
            ++at;
            frameStart = at;
            continue;
        }
        if (at + frame->length > pending_.size()) break;
        run.insert(run.end(), pending_.begin() + static_cast<std::ptrdiff_t>(at),
                   pending_.begin() + static_cast<std::ptrdiff_t>(at + frame->length));
        at += frame->length;
        frameStart = at;
    }
    if (complete_) frameStart = pending_.size();
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(frameStart));
    return run.empty() || decoder_->Decode(run, samples_);
}

bool AudioTrack::DecodeWav() {
    size_t usable = pending_.size();
    if (wavDataBounded_) usable = static_cast<size_t>(std::min<uint64_t>(usable, wavDataLeft_));
    usable -= usable % blockAlign_;
    if (usable == 0) {
        if (complete_) pending_.clear();
        return true;
    }
    const std::span<const uint8_t> block(pending_.data(), usable);
    bool ok = true;
    if (passThrough_) {
        const size_t first = samples_.size();
        samples_.resize(first + usable / 2);
        for (size_t i = 0; i < usable / 2; ++i) {
            samples_[first + i] = static_cast<int16_t>(block[2 * i] | (block[2 * i + 1] << 8));
        }
    } else {
        ok = decoder_->Decode(block, samples_);
    }
    if (wavDataBounded_) wavDataLeft_ -= usable;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(usable));
    // Chunks after the samples are of no interest.
    if (wavDataBounded_ && wavDataLeft_ == 0) pending_.clear();
    return ok;
}

double AudioTrack::duration() const {
    if (sampleRate_ == 0) return 0;
    if (complete_ || !contentLength_) return static_cast<double>(frames()) / sampleRate_;
    const uint64_t audioBytes = *contentLength_ > headerBytes_ ? *contentLength_ - headerBytes_ : 0;
    if (kind_ == AudioKind::Wav) {
        const uint64_t bytes = wavDataBounded_ ? std::min(audioBytes, wavDataSize_) : audioBytes;
        return byteRate_ ? static_cast<double>(bytes) / byteRate_ : 0;
    }
    return bitrate_ ? static_cast<double>(audioBytes) * 8.0 / bitrate_ : 0;
}

bool AudioTrack::EndsAt(uint64_t frame) const {
    std::lock_guard lock(samplesMutex_);
    return complete_ && frame >= frames();
}

size_t AudioTrack::Read(uint64_t frame, std::span<int16_t> into) {
    std::lock_guard lock(samplesMutex_);
    if (channels_ == 0 || frame >= frames()) return 0;
    const auto count = static_cast<size_t>(std::min<uint64_t>(into.size() / channels_, frames() - frame));
    std::memcpy(into.data(), samples_.data() + frame * channels_, count * channels_ * sizeof(int16_t));
    return count;
}

}  // namespace mulan::player
