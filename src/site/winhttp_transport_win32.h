#pragma once

#include "base/scoped_internet_win32.h"
#include "site/transport.h"

namespace mulan::site {

// Asynchronous WinHTTP. WinHTTP's worker threads hand the bytes over through a queue and an event;
// the calling (user-interface) thread waits with MsgWaitForMultipleObjectsEx, dispatches window
// messages whenever they arrive, and gives the bytes to the sink itself.
class WinHttpTransport final : public Transport {
  public:
    explicit WinHttpTransport(TransportTimeouts timeouts = {});
    ~WinHttpTransport() override;
    WinHttpTransport(const WinHttpTransport&) = delete;
    WinHttpTransport& operator=(const WinHttpTransport&) = delete;

    void Get(std::string_view address, BodySink& sink, MessagePump& pump) override;

  private:
    TransportTimeouts timeouts_;
    win::ScopedInternet session_;
};

}  // namespace mulan::site
