#pragma once

namespace mulan::site {

// Lets the user interface handle its pending events and returns when none are left. Waits inside
// the site client call it so that the window stays alive; handlers may run nested in them.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void RunPending() = 0;
};

// For programs without a user interface.
class NoMessagePump final : public MessagePump {
  public:
    void RunPending() override {}
};

}  // namespace mulan::site
