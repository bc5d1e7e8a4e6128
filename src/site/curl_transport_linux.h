#pragma once

#include "site/transport.h"

namespace mulan::site {

// GET with libcurl. The pump runs from curl's progress callback, which curl calls while it waits.
class CurlTransport final : public Transport {
  public:
    explicit CurlTransport(TransportTimeouts timeouts = {});
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    void Get(std::string_view address, BodySink& sink, MessagePump& pump) override;

  private:
    TransportTimeouts timeouts_;
};

}  // namespace mulan::site
