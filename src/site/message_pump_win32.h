#pragma once

#include "site/message_pump.h"

namespace mulan::site {

// Dispatches the thread's pending window messages (PeekMessage/DispatchMessage).
class WindowsMessagePump final : public MessagePump {
  public:
    void RunPending() override;
};

}  // namespace mulan::site
