#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace mulan::window {

// Window handles, message numbers and message parameters as the hook passes them around: wide
// enough for the platform's pointer-sized values, with no platform types in the core.
using HookWindowHandle = std::uintptr_t;
using HookMessage = std::uint32_t;
using HookWParam = std::uintptr_t;
using HookLParam = std::intptr_t;
using HookResult = std::intptr_t;

// Stands for every message, in both subscribing and unsubscribing.
inline constexpr HookMessage AllMessages = 0xFFFFFFFFu;

enum HookPhase : unsigned { PhaseAfter = 1, PhaseBefore = 2, PhaseBoth = PhaseAfter | PhaseBefore };

// What every user of the service implements. The message fields are by reference: what the before
// phase leaves in them is what the previous procedure receives.
class SubclassClient {
  public:
    virtual void zSubclass_Proc(bool bBefore, bool& bHandled, HookResult& lReturn, HookWindowHandle& lng_hWnd,
                                HookMessage& uMsg, HookWParam& wParam, HookLParam& lParam) = 0;

  protected:
    ~SubclassClient() = default;
};

// The messages one phase reports. count is -1 (every message), 0, or the number of slots; a slot
// holding 0 is empty and may sit anywhere.
struct MessageTable {
    std::int32_t count = 0;
    std::vector<HookMessage> slots;

    bool Reports(HookMessage message) const;
    void Add(HookMessage message);
    void Remove(HookMessage message);
};

// The hook installed on one window for one record. The platform keeps it alive while a dispatch
// runs through it, so unhooking can never pull it away from under a message.
class HookEntry : public std::enable_shared_from_this<HookEntry> {
  public:
    explicit HookEntry(SubclassClient& client) : client_(&client) {}

    // Runs one message through the before phase, one forward (forward(window, msg, wp, lp) gives the
    // previous procedure's result) and the after phase.
    template <class Forward>
    HookResult Dispatch(HookWindowHandle window, HookMessage message, HookWParam wParam, HookLParam lParam,
                        Forward&& forward);

    // After this no message reaches the client; messages still on their way are only forwarded.
    void Disconnect();

    MessageTable before;
    MessageTable after;

  private:
    void Report(bool bBefore, bool& bHandled, HookResult& lReturn, HookWindowHandle& window,
                HookMessage& message, HookWParam& wParam, HookLParam& lParam) noexcept;

    SubclassClient* client_;
};

// Puts a hook on a window and takes it off again. Hooks stacked on one window by anyone must be
// removable in any order.
class HookInstaller {
  public:
    virtual bool Install(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) = 0;
    virtual void Uninstall(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) = 0;

  protected:
    ~HookInstaller() = default;
};

struct HookRecord {
    HookWindowHandle window = 0;  // 0 marks a free record
    std::shared_ptr<HookEntry> hook;
};

// Lets one client intercept the messages of one or more windows. Every window still hooked is
// unhooked when the instance goes away, so the hooks never call back into a client that is gone.
class WindowHook {
  public:
    WindowHook(SubclassClient& client, HookInstaller& installer) : client_(client), installer_(installer) {}
    WindowHook(const WindowHook&) = delete;
    WindowHook& operator=(const WindowHook&) = delete;
    ~WindowHook();

    // The record's index, or -1 when the platform refuses the hook (the record stays free).
    std::int32_t HookWindow(HookWindowHandle window);
    // These return false for a window with no live record in this instance.
    bool AddHookMessage(HookWindowHandle window, HookMessage message, HookPhase phase);
    bool RemoveHookMessage(HookWindowHandle window, HookMessage message, HookPhase phase);
    bool UnhookWindow(HookWindowHandle window);
    void UnhookAll();

    const std::vector<HookRecord>& Records() const { return records_; }

  private:
    HookRecord* Find(HookWindowHandle window);

    SubclassClient& client_;
    HookInstaller& installer_;
    std::vector<HookRecord> records_;
};

template <class Forward>
HookResult HookEntry::Dispatch(HookWindowHandle window, HookMessage message, HookWParam wParam,
                               HookLParam lParam, Forward&& forward) {
    HookResult lReturn = 0;
    bool bHandled = false;
    if (before.Reports(message)) {
        Report(true, bHandled, lReturn, window, message, wParam, lParam);
        if (bHandled) return lReturn;
    }
    lReturn = forward(window, message, wParam, lParam);
    if (after.Reports(message)) {
        bool ignored = false;
        Report(false, ignored, lReturn, window, message, wParam, lParam);
    }
    return lReturn;
}

}  // namespace mulan::window
