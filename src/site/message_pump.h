#pragma once

#include <chrono>
#include <thread>

namespace mulan::site {

// Lets the user interface handle its pending events and returns when none are left. Waits inside
// the site client call it so that the window stays alive; handlers may run nested in them.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void RunPending() = 0;
    // A pause of the site client's own (before it tries a request again) during which the user
    // interface goes on as in RunPending. May end early when the program is ending.
    virtual void Pause(std::chrono::milliseconds length) = 0;
};

// For programs without a user interface.
class NoMessagePump final : public MessagePump {
  public:
    void RunPending() override {}
    void Pause(std::chrono::milliseconds length) override { std::this_thread::sleep_for(length); }
};

}  // namespace mulan::site
