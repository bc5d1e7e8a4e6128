#include "site/curl_transport_linux.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "site/site_error.h"

namespace mulan::site {

namespace {

struct Exchange {
    CURL* curl = nullptr;
    BodySink& sink;
    MessagePump& pump;
    bool begun = false;
    std::exception_ptr failure;  // thrown by the sink or the pump; rethrown once curl has returned
};

void BeginOnce(Exchange& exchange) {
    if (exchange.begun) return;
    exchange.begun = true;
    long status = 0;
    curl_easy_getinfo(exchange.curl, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(exchange.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    exchange.sink.Begin(static_cast<int>(status),
                        length >= 0 ? std::optional<uint64_t>(static_cast<uint64_t>(length)) : std::nullopt);
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& exchange = *static_cast<Exchange*>(user);
    try {
        BeginOnce(exchange);
        exchange.sink.Write(std::string_view(data, size * count));
        return size * count;
    } catch (...) {
        exchange.failure = std::current_exception();
        return 0;
    }
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& exchange = *static_cast<Exchange*>(user);
    try {
        exchange.pump.RunPending();
        return 0;
    } catch (...) {
        exchange.failure = std::current_exception();
        return 1;
    }
}

}  // namespace

CurlTransport::CurlTransport(TransportTimeouts timeouts) : timeouts_(timeouts) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlTransport::~CurlTransport() {
    curl_global_cleanup();
}

void CurlTransport::Get(std::string_view address, BodySink& sink, MessagePump& pump) {
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    const std::string url(address);
    if (!curl) throw SiteError(url + ": cannot make a request");
    Exchange exchange{curl.get(), sink, pump, false, nullptr};
    char message[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts_.connectSeconds));
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts_.silenceSeconds));
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, static_cast<long>(timeouts_.totalSeconds));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &exchange);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    const CURLcode result = curl_easy_perform(curl.get());
    if (exchange.failure) std::rethrow_exception(exchange.failure);
    if (result != CURLE_OK) {
        std::string text =
            url + ": " + (message[0] != '\0' ? std::string(message) : curl_easy_strerror(result));
        if (result == CURLE_COULDNT_CONNECT) throw SiteUnreachable(std::move(text));
        throw SiteError(std::move(text));
    }
    BeginOnce(exchange);
}

}  // namespace mulan::site
