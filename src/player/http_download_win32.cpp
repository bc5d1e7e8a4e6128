#include "player/http_download_win32.h"

#include "base/report.h"

#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/scoped_internet_win32.h"

namespace mulan::player {

struct HttpDownload::Shared {
    std::mutex mutex;
    Progress progress;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> notifyPending{false};
    std::function<void()> notify;
    std::shared_ptr<CompressedBytes> sink;

    // One notice at a time: the owner takes everything that has arrived when it comes.
    void Notify() {
        if (cancelled || notifyPending.exchange(true)) return;
        notify();
    }
    void Finish(std::optional<OpenFailure> failure, int32_t status = 0) {
        {
            std::lock_guard lock(mutex);
            progress.done = true;
            progress.failure = failure;
            progress.httpStatus = status;
        }
        if (sink) sink->End(failure.has_value());
        notifyPending = false;
        Notify();
    }
};

namespace {

void Run(std::shared_ptr<HttpDownload::Shared> shared, std::wstring url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256]{};
    wchar_t path[2048]{};
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    wchar_t extra[2048]{};
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = 2048;
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        parts.nScheme != INTERNET_SCHEME_HTTP || host[0] == L'\0') {
        shared->Finish(OpenFailure::BadAddress);
        return;
    }
    const std::wstring target = std::wstring(path[0] ? path : L"/") + extra;
    win::ScopedInternet session(WinHttpOpen(L"Mulan", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                            WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        shared->Finish(OpenFailure::NoConnection);
        return;
    }
    // A server that stops answering ends the song instead of keeping it waiting for ever.
    WinHttpSetTimeouts(session.get(), 10000, 10000, 15000, 15000);
    win::ScopedInternet connection(WinHttpConnect(session.get(), host, parts.nPort, 0));
    win::ScopedInternet request(connection
                                    ? WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                    : nullptr);
    if (!request ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        shared->Finish(OpenFailure::NoConnection);
        return;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    if (status != 200) {
        shared->Finish(OpenFailure::HttpStatus, static_cast<int32_t>(status));
        return;
    }
    wchar_t length[32]{};
    size = sizeof length;
    if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length,
                            &size, WINHTTP_NO_HEADER_INDEX)) {
        std::lock_guard lock(shared->mutex);
        shared->progress.contentLength = _wcstoui64(length, nullptr, 10);
        if (shared->sink) shared->sink->SetLength(shared->progress.contentLength);
    }
    std::vector<uint8_t> chunk(64 * 1024);
    uint64_t received = 0;
    for (;;) {
        if (shared->cancelled) return;
        // Asks only for what has arrived: a read of a whole chunk would wait for the chunk to
        // fill, and a slow stream would stall on it.
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.get(), &available)) {
            shared->Finish(OpenFailure::NoConnection);
            return;
        }
        if (available == 0) break;
        DWORD read = 0;
        const auto wanted = static_cast<DWORD>(std::min<size_t>(available, chunk.size()));
        if (!WinHttpReadData(request.get(), chunk.data(), wanted, &read)) {
            shared->Finish(OpenFailure::NoConnection);
            return;
        }
        if (read == 0) break;
        received += read;
        if (shared->sink) {
            shared->sink->Append(std::span(chunk.data(), read));
            continue;
        }
        {
            std::lock_guard lock(shared->mutex);
            shared->progress.bytes.insert(shared->progress.bytes.end(), chunk.begin(), chunk.begin() + read);
        }
        shared->Notify();
    }
    // A server that closes the connection early ends the body without an error: the length it
    // announced tells.
    std::optional<uint64_t> announced;
    {
        std::lock_guard lock(shared->mutex);
        announced = shared->progress.contentLength;
    }
    shared->Finish(announced && received < *announced ? std::optional(OpenFailure::Interrupted)
                                                      : std::nullopt);
}

}  // namespace

HttpDownload::HttpDownload(std::wstring url) : shared_(std::make_shared<Shared>()), url_(std::move(url)) {}

HttpDownload::HttpDownload(const std::wstring& url, HWND window, UINT message, WPARAM number,
                           std::shared_ptr<CompressedBytes> sink)
    : HttpDownload(url) {
    shared_->sink = std::move(sink);
    Start([window, message, number] { PostMessageW(window, message, number, 0); });
}

std::shared_ptr<ReadableBytes> HttpDownload::Readable() {
    if (!shared_->sink && !started_) shared_->sink = std::make_shared<CompressedBytes>();
    return shared_->sink;
}

void HttpDownload::Start(std::function<void()> notify) {
    if (started_) return;
    started_ = true;
    shared_->notify = std::move(notify);
    std::thread([shared = shared_, url = url_] {
        RunGuarded([&] { Run(shared, url); }, [&] { shared->Finish(OpenFailure::NoConnection); });
    }).detach();
}

HttpDownload::~HttpDownload() {
    shared_->cancelled = true;
    if (shared_->sink) shared_->sink->Cancel();
}

HttpDownload::Progress HttpDownload::Take() {
    shared_->notifyPending = false;
    std::lock_guard lock(shared_->mutex);
    Progress taken = std::move(shared_->progress);
    shared_->progress = Progress{};
    shared_->progress.contentLength = taken.contentLength;
    shared_->progress.done = taken.done;
    shared_->progress.failure = taken.failure;
    shared_->progress.httpStatus = taken.httpStatus;
    return taken;
}

}  // namespace mulan::player
