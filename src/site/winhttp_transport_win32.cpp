#include "site/winhttp_transport_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/report.h"
#include "base/scoped_kernel_win32.h"
#include "base/text.h"
#include "site/site_error.h"

namespace mulan::site {

namespace {

// What the worker threads and the waiting thread share for one request.
struct Exchange {
    win::ScopedKernelHandle event;  // auto-reset: set whenever something below changed
    std::mutex mutex;
    bool headersKnown = false;
    int status = 0;
    std::optional<uint64_t> length;
    std::string pending;  // body bytes not yet given to the sink
    bool done = false;
    DWORD error = 0;
    std::vector<char> readBuffer;
};

// Owned by the request handle; freed when WinHTTP says the handle is closing, after its last callback.
using ExchangeRef = std::shared_ptr<Exchange>;

void Finish(Exchange& exchange, DWORD error) {
    {
        std::lock_guard lock(exchange.mutex);
        exchange.done = true;
        exchange.error = error;
    }
    SetEvent(exchange.event.get());
}

void ReadHeaders(HINTERNET request, Exchange& exchange) {
    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    wchar_t lengthText[32] = {};
    DWORD lengthSize = sizeof lengthText;
    std::optional<uint64_t> length;
    if (WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, lengthText,
                            &lengthSize, WINHTTP_NO_HEADER_INDEX)) {
        length = _wcstoui64(lengthText, nullptr, 10);
    }
    {
        std::lock_guard lock(exchange.mutex);
        exchange.headersKnown = true;
        exchange.status = static_cast<int>(status);
        exchange.length = length;
    }
    SetEvent(exchange.event.get());
}

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD code, LPVOID info,
                       DWORD infoLength) noexcept {
    auto* ref = reinterpret_cast<ExchangeRef*>(context);
    if (!ref) return;
    if (code == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
        delete ref;
        return;
    }
    Exchange& exchange = **ref;
    try {
        switch (code) {
            case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
                if (!WinHttpReceiveResponse(handle, nullptr)) Finish(exchange, GetLastError());
                break;
            case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
                ReadHeaders(handle, exchange);
                if (!WinHttpQueryDataAvailable(handle, nullptr)) Finish(exchange, GetLastError());
                break;
            case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE: {
                const DWORD available = *static_cast<DWORD*>(info);
                if (available == 0) {
                    Finish(exchange, 0);
                    break;
                }
                exchange.readBuffer.resize(available);
                if (!WinHttpReadData(handle, exchange.readBuffer.data(), available, nullptr)) {
                    Finish(exchange, GetLastError());
                }
                break;
            }
            case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
                if (infoLength == 0) {
                    Finish(exchange, 0);
                    break;
                }
                {
                    std::lock_guard lock(exchange.mutex);
                    exchange.pending.append(static_cast<const char*>(info), infoLength);
                }
                SetEvent(exchange.event.get());
                if (!WinHttpQueryDataAvailable(handle, nullptr)) Finish(exchange, GetLastError());
                break;
            case WINHTTP_CALLBACK_STATUS_REDIRECT:
                if (_wcsnicmp(static_cast<const wchar_t*>(info), L"http://", 7) != 0) {
                    Finish(exchange, ERROR_WINHTTP_REDIRECT_FAILED);
                }
                break;
            case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
                const auto* result = static_cast<WINHTTP_ASYNC_RESULT*>(info);
                Finish(exchange, result->dwError ? result->dwError : ERROR_WINHTTP_INTERNAL_ERROR);
                break;
            }
            default:
                break;
        }
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
        Finish(exchange, ERROR_OUTOFMEMORY);
    }
}

std::string ErrorText(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT:
            return "timed out";
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return "cannot connect";
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return "connection broken";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return "host name not resolved";
        case ERROR_WINHTTP_INVALID_URL:
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
            return "not a valid http address";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return "invalid server response";
        default:
            return "WinHTTP error " + std::to_string(error);
    }
}

[[noreturn]] void Fail(std::string_view address, DWORD error) {
    std::string message = std::string(address) + ": " + ErrorText(error);
    if (error == ERROR_WINHTTP_CANNOT_CONNECT) throw SiteUnreachable(std::move(message));
    throw SiteError(std::move(message));
}

// Takes what the workers delivered; true once the exchange has ended.
bool Drain(Exchange& exchange, BodySink& sink, bool& begun, DWORD& error) {
    std::string bytes;
    bool headers = false;
    int status = 0;
    std::optional<uint64_t> length;
    bool done = false;
    {
        std::lock_guard lock(exchange.mutex);
        bytes.swap(exchange.pending);
        headers = exchange.headersKnown;
        status = exchange.status;
        length = exchange.length;
        done = exchange.done;
        error = exchange.error;
    }
    if (headers && !begun) {
        begun = true;
        sink.Begin(status, length);
    }
    if (!bytes.empty()) sink.Write(bytes);
    return done;
}

}  // namespace

WinHttpTransport::WinHttpTransport(TransportTimeouts timeouts) : timeouts_(timeouts) {
    session_.reset(WinHttpOpen(L"Mulan", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (session_) {
        const int connectMs = timeouts_.connectSeconds * 1000;
        const int silenceMs = timeouts_.silenceSeconds * 1000;
        WinHttpSetTimeouts(session_.get(), connectMs, connectMs, silenceMs, silenceMs);
    }
}

WinHttpTransport::~WinHttpTransport() = default;

void WinHttpTransport::Get(std::string_view address, BodySink& sink, MessagePump& pump) {
    if (!session_) Fail(address, GetLastError());
    const Text wideText = Utf8ToText(address);
    std::wstring wide(wideText.begin(), wideText.end());
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts) ||
        parts.nScheme != INTERNET_SCHEME_HTTP) {
        Fail(address, ERROR_WINHTTP_INVALID_URL);
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
    target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.empty()) target = L"/";

    win::ScopedInternet connection{WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0)};
    if (!connection.get()) Fail(address, GetLastError());
    win::ScopedInternet request{WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)};
    if (!request.get()) Fail(address, GetLastError());

    auto exchange = std::make_shared<Exchange>();
    exchange->event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!exchange->event) Fail(address, GetLastError());
    auto* context = new ExchangeRef(exchange);
    DWORD redirects = kMaxRedirects;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                     sizeof redirects);
    const DWORD notifications = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES |
                                WINHTTP_CALLBACK_FLAG_REDIRECT;
    if (WinHttpSetStatusCallback(request.get(), &OnStatus, notifications, 0) ==
            WINHTTP_INVALID_STATUS_CALLBACK ||
        !WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        delete context;
        Fail(address, GetLastError());
    }
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            reinterpret_cast<DWORD_PTR>(context))) {
        Fail(address, GetLastError());
    }

    bool begun = false;
    DWORD error = 0;
    const DWORD started = GetTickCount();
    DWORD lastActivity = started;
    // WinHTTP's own time-outs end a silent exchange; this bound also covers a stuck name lookup.
    const DWORD silenceMs = static_cast<DWORD>(timeouts_.connectSeconds + timeouts_.silenceSeconds) * 1000;
    const DWORD totalMs = static_cast<DWORD>(timeouts_.totalSeconds) * 1000;
    const HANDLE changed = exchange->event.get();
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD waited = now - lastActivity;
        const DWORD elapsed = now - started;
        if (waited >= silenceMs || elapsed >= totalMs) Fail(address, ERROR_WINHTTP_TIMEOUT);
        const DWORD wake = MsgWaitForMultipleObjectsEx(
            1, &changed, std::min(silenceMs - waited, totalMs - elapsed), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wake == WAIT_OBJECT_0) {
            lastActivity = GetTickCount();
            if (Drain(*exchange, sink, begun, error)) break;
        } else if (wake == WAIT_OBJECT_0 + 1) {
            pump.RunPending();
        } else if (wake == WAIT_FAILED) {
            Fail(address, GetLastError());
        }
    }
    if (error != 0) Fail(address, error);
    if (!begun) sink.Begin(0, std::nullopt);
}

}  // namespace mulan::site
