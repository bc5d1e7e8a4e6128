#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "site/codec.h"
#include "site/message_pump.h"
#include "site/site_error.h"
#include "site/transport.h"

namespace mulan::site::testing {

// Serves canned responses by address and records every request; an unknown address is a failed
// exchange, as a closed port would be.
class FakeTransport final : public Transport {
  public:
    struct Response {
        int status = 200;
        std::string body;
    };

    void Serve(const std::string& address, std::string body, int status = 200) {
        responses[address] = Response{status, std::move(body)};
    }

    // The next `times` requests of address find nothing listening, as before a site has started.
    void Refuse(const std::string& address, int times) { refusals[address] = times; }

    void Get(std::string_view address, BodySink& sink, MessagePump& pump) override {
        requests.emplace_back(address);
        if (duringWait) duringWait(std::string(address));
        pump.RunPending();
        if (int& refused = refusals[std::string(address)]; refused > 0) {
            --refused;
            throw SiteUnreachable(std::string(address) + ": connection refused");
        }
        const auto found = responses.find(std::string(address));
        if (found == responses.end()) throw SiteError(std::string(address) + ": cannot connect");
        sink.Begin(found->second.status, found->second.body.size());
        sink.Write(found->second.body);
    }

    std::map<std::string, Response> responses;
    std::map<std::string, int> refusals;
    std::vector<std::string> requests;
    // Runs inside the wait of every request, as a handler would through the message pump.
    std::function<void(const std::string&)> duringWait;
};

// UTF-8 through the project's converter; "GBK" limited to ASCII and a handful of characters with
// their true GBK codes, enough for the rules under test. Records what it was asked to decode.
class TableCodec final : public Codec {
  public:
    Text Decode(std::string_view bytes, std::u16string_view charset) const override;
    std::string Encode(TextView text, std::u16string_view charset) const override;

    struct DecodeCall {
        Text charset;
        size_t length = 0;
    };
    mutable std::vector<DecodeCall> decodes;
};

// GBK bytes of a text made of ASCII and the table's characters.
std::string GbkBytes(std::string_view utf8);

class CountingPump final : public MessagePump {
  public:
    void RunPending() override {
        ++runs;
        if (onRun) onRun();
    }
    // Takes no time: records the pause.
    void Pause(std::chrono::milliseconds length) override { pauses.push_back(length); }
    int runs = 0;
    std::vector<std::chrono::milliseconds> pauses;
    std::function<void()> onRun;
};

}  // namespace mulan::site::testing
