#pragma once

#include <cstdint>

#include "player/media_player.h"
#include "base/text.h"

namespace mulan::player {

// Why an address could not be played.
enum class OpenFailure {
    BadAddress,      // not an http address the player can request
    NoConnection,    // the server could not be reached or the transfer broke off
    HttpStatus,      // the server answered with a status other than 200
    NotAudio,        // no decoder of the system can read the data
    NoSoundDevice,   // the system gives no audio output
    Interrupted,     // the transfer broke off before the end of the song
    Truncated,       // the file ends well before the length it announces
    FileMissing,     // the song's file (or its folder, drive or share) is not there
    FileUnreadable,  // the song's file is there but cannot be read (no permission, a folder)
};

// The status text the player shows in each state; empty for Undefined (nothing loaded).
Text StatusText(PlayState state);

// The status text of a failed open; httpStatus is used for HttpStatus only.
Text FailureStatus(OpenFailure failure, int32_t httpStatus = 0);

}  // namespace mulan::player
