#pragma once
// What the site readers' fuzz targets share: the fuzz input served as every page the reader asks
// for, through the same transport interface the program's HTTP clients implement.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "site/iconv_codec_linux.h"
#include "site/message_pump.h"
#include "site/site_access.h"
#include "site/site_error.h"
#include "site/transport.h"

namespace mulan::fuzz {

// Answers the first few requests with the same body and fails the rest, as a server gone away would;
// a page that claims thousands of further pages then costs a few fetches, not thousands.
class InMemoryTransport final : public site::Transport {
  public:
    InMemoryTransport(std::string_view body, int answers) : body_(body), answers_(answers) {}

    void Get(std::string_view address, site::BodySink& sink, site::MessagePump& pump) override {
        pump.RunPending();
        if (answers_-- <= 0) throw site::SiteError(std::string(address) + ": cannot connect");
        sink.Begin(200, body_.size());
        // In pieces, as a network delivers it.
        for (size_t at = 0; at < body_.size(); at += 4096) sink.Write(body_.substr(at, 4096));
    }

  private:
    std::string_view body_;
    int answers_;
};

struct FuzzSite {
    FuzzSite(const uint8_t* data, size_t size, int answers)
        : transport(std::string_view(reinterpret_cast<const char*>(data), size), answers),
          access{transport, codec, pump,
                 site::SiteHosts{u"127.0.0.1:18080", u"127.0.0.1:18081", u"127.0.0.1:18082"}} {}

    InMemoryTransport transport;
    site::IconvCodec codec;
    site::NoMessagePump pump;
    site::SiteAccess access;
};

// Stops the run with a report libFuzzer records as a finding.
[[noreturn]] void Fail(const char* what);
inline void Check(bool holds, const char* what) {
    if (!holds) Fail(what);
}

}  // namespace mulan::fuzz
