#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "player/byte_source.h"
#include "player/compressed_bytes.h"

namespace mulan::player {

// Downloads one address on a worker thread with WinHTTP. The worker only stores what arrives and
// tells the owner; the owner takes the bytes on its own thread.
class HttpDownload final : public ByteSource {
  public:
    using Progress = ByteSource::Progress;

    // Waits for Start.
    explicit HttpDownload(std::wstring url);
    // Starts at once; notifies window with message, wParam = number, so that messages of an
    // abandoned download are recognised. With a sink the body goes there as it arrives (Take then
    // carries no bytes) and the window hears only of the end.
    HttpDownload(const std::wstring& url, HWND window, UINT message, WPARAM number,
                 std::shared_ptr<CompressedBytes> sink = nullptr);
    // Abandons the transfer: the worker stops at its next step and tells nothing more.
    ~HttpDownload() override;
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    // The body as it arrives, for a decoder that reads while it downloads.
    std::shared_ptr<ReadableBytes> Readable() override;
    void Start(std::function<void()> notify) override;
    Progress Take() override;

    struct Shared;

  private:
    std::shared_ptr<Shared> shared_;
    std::wstring url_;
    bool started_ = false;
};

}  // namespace mulan::player
