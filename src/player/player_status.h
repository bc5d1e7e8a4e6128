#pragma once

#include <cstdint>

#include "player/media_player.h"
#include "base/text.h"

namespace mulan::app {

// Why an address could not be played.
enum class OpenFailure {
    BadAddress,     // not an http address the player can request
    NoConnection,   // the server could not be reached or the transfer broke off
    HttpStatus,     // the server answered with a status other than 200
    NotAudio,       // the data is neither MP3 nor WAV, or cannot be decoded
    NoSoundDevice,  // the system gives no audio output
};

// The status text the player shows in each state; empty for Undefined (nothing loaded).
Text StatusText(PlayState state);

// The status text of a failed open; httpStatus is used for HttpStatus only.
Text FailureStatus(OpenFailure failure, int32_t httpStatus = 0);

}  // namespace mulan::app
