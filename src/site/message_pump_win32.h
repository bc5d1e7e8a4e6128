#pragma once

#include <windows.h>

#include <functional>

#include "site/message_pump.h"

namespace mulan::site {

// What sees a message before it is dispatched: the main window's shortcuts, a dialog's keys.
class MessageFilter {
  public:
    virtual ~MessageFilter() = default;
    // Whether msg was handled here and must not be dispatched.
    virtual bool PreTranslateMessage(const MSG& msg) = 0;
};

// One message as every message loop of the program handles it: the filter first (none: nullptr),
// then translated and dispatched. A key must act the same whether the main loop or a loop that waits
// for the site took it from the queue.
void HandleMessage(const MSG& msg, MessageFilter* filter);

// The thread's main message loop, until WM_QUIT; returns its code.
int RunMessageLoop(MessageFilter* filter);

// A loop inside another (a modal window's) while open() says so. A WM_QUIT met here is posted again,
// so that the main loop ends the program too.
void RunNestedLoop(MessageFilter* filter, const std::function<bool()>& open);

// Dispatches the thread's pending window messages, through filter, while the site is waited on.
class WindowsMessagePump final : public MessagePump {
  public:
    explicit WindowsMessagePump(MessageFilter* filter = nullptr) : filter_(filter) {}
    void RunPending() override;
    // Sleeps until a message arrives or the pause is over, without spinning; ends at a WM_QUIT.
    void Pause(std::chrono::milliseconds length) override;

  private:
    MessageFilter* filter_;
};

}  // namespace mulan::site
