#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "site/message_pump.h"

namespace mulan::site {

// Receives a response as it arrives.
class BodySink {
  public:
    virtual ~BodySink() = default;
    // Once, before any body bytes: the HTTP status and the declared length, if any.
    virtual void Begin(int status, std::optional<uint64_t> length) = 0;
    virtual void Write(std::string_view bytes) = 0;
};

// Plain HTTP GET without headers of its own. Any status is a response (an error page is a body like
// any other); a failure of the exchange itself (no connection, a broken or silent server beyond the
// time-outs) throws SiteError. While it waits it lets the user interface run through the pump,
// without spinning.
// Instead of waiting for ever: a connection must be made within connectSeconds, a server that
// sends nothing for silenceSeconds has failed, and so has one that trickles (a byte now and then
// keeps it from being silent) without finishing the exchange within totalSeconds. The site's pages
// are tens of kilobytes.
struct TransportTimeouts {
    int connectSeconds = 10;
    int silenceSeconds = 30;
    int totalSeconds = 60;
};

// Both transports follow a redirect as WinHTTP does by itself, but only to plain http and at most
// this many times; past that the exchange fails.
inline constexpr int kMaxRedirects = 5;

class Transport {
  public:
    virtual ~Transport() = default;
    // address: "http://host[:port]/target", ASCII, already a valid request target (RequestAddress).
    virtual void Get(std::string_view address, BodySink& sink, MessagePump& pump) = 0;
};

// The whole body of a GET, whatever the status.
std::string GetBody(Transport& transport, std::string_view address, MessagePump& pump);

}  // namespace mulan::site
