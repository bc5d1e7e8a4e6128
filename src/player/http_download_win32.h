#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "player/compressed_bytes.h"
#include "player/player_status.h"

namespace mulan::player {

// Downloads one address on a worker thread with WinHTTP. The worker only stores what arrives and
// posts a message to the owner's window; the owner takes the bytes on its own thread. A message
// carries the download's number in wParam, so messages of an abandoned download are recognised.
class HttpDownload {
  public:
    struct Progress {
        std::vector<uint8_t> bytes;  // arrived since the last Take
        std::optional<uint64_t> contentLength;
        bool done = false;
        std::optional<OpenFailure> failure;
        int32_t httpStatus = 0;
    };

    // Starts at once; notifies window with message, wParam = number. With a sink the body goes
    // there as it arrives (Take then carries no bytes) and the window hears only of the end.
    HttpDownload(const std::wstring& url, HWND window, UINT message, WPARAM number,
                 std::shared_ptr<CompressedBytes> sink = nullptr);
    // Abandons the transfer: the worker stops at its next step and posts nothing more.
    ~HttpDownload();
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    Progress Take();

    struct Shared;

  private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace mulan::player
