#pragma once

#include <cstdint>
#include <optional>

#include "player/player_status.h"
#include "base/text.h"

namespace mulan::app {

// Why a song download ended without a file.
enum class DownloadFailure {
    NoAddress,   // the entry gave no address
    BadAddress,  // not an http address
    NoConnection,
    HttpStatus,   // the server answered with a status other than 200
    Incomplete,   // fewer bytes arrived than the server announced
    WriteFailed,  // the file could not be written in the chosen folder
};

DownloadFailure DownloadFailureFrom(player::OpenFailure failure);

// "已下载 12 KB / 345 KB", or without the total when the server does not give one. KB = 1024 bytes,
// rounded up so that a started kilobyte shows.
Text DownloadProgressText(uint64_t received, std::optional<uint64_t> total);

// Thousandths of the total for the progress bar; 0 without a total.
int32_t DownloadPermille(uint64_t received, std::optional<uint64_t> total);

// The message shown when a download fails; httpStatus is used for HttpStatus only.
Text DownloadFailureText(DownloadFailure failure, int32_t httpStatus = 0);

// The message shown when a download is complete.
Text DownloadDoneText(uint64_t received);

}  // namespace mulan::app
