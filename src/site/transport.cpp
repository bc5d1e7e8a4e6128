#include "site/transport.h"

namespace mulan::site {

namespace {

class CollectingSink final : public BodySink {
  public:
    void Begin(int, std::optional<uint64_t> length) override {
        if (length && *length < kReserveLimit) body.reserve(static_cast<size_t>(*length));
    }
    void Write(std::string_view bytes) override { body.append(bytes); }

    std::string body;

  private:
    // A declared length is only a hint; it never makes us reserve more than a page can need.
    static constexpr uint64_t kReserveLimit = 64 * 1024 * 1024;
};

}  // namespace

std::string GetBody(Transport& transport, std::string_view address, MessagePump& pump) {
    CollectingSink sink;
    transport.Get(address, sink, pump);
    return std::move(sink.body);
}

}  // namespace mulan::site
