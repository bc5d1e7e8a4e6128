#include "window/window_hook.h"

#include <algorithm>

#include "base/report.h"

namespace mulan::window {

bool MessageTable::Reports(HookMessage message) const {
    if (count == -1) return true;
    if (count <= 0) return false;
    const auto end =
        slots.begin() + std::min<std::ptrdiff_t>(count, static_cast<std::ptrdiff_t>(slots.size()));
    return std::find(slots.begin(), end, message) != end;
}

void MessageTable::Add(HookMessage message) {
    if (message == AllMessages) {
        count = -1;
        return;
    }
    // Every message is reported already; a grown table would add nothing.
    if (count == -1) return;
    for (std::int32_t i = 0; i < count; ++i) {
        if (slots[i] == 0) {
            slots[i] = message;
            return;
        }
        if (slots[i] == message) return;
    }
    ++count;
    slots.resize(static_cast<std::size_t>(count));
    slots.back() = message;
}

void MessageTable::Remove(HookMessage message) {
    if (message == AllMessages) {
        count = 0;
        return;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        if (slots[i] == message) {
            slots[i] = 0;
            return;
        }
    }
}

void HookEntry::Disconnect() {
    before.count = 0;
    after.count = 0;
    client_ = nullptr;
}

void HookEntry::Report(bool bBefore, bool& bHandled, HookResult& lReturn, HookWindowHandle& window,
                       HookMessage& message, HookWParam& wParam, HookLParam& lParam) noexcept {
    if (!client_) return;
    try {
        client_->zSubclass_Proc(bBefore, bHandled, lReturn, window, message, wParam, lParam);
    } catch (...) {
        // The message goes on as the callback left it.
        MULAN_REPORT_EXCEPTION();
    }
}

WindowHook::~WindowHook() {
    UnhookAll();
}

std::int32_t WindowHook::HookWindow(HookWindowHandle window) {
    std::size_t index = records_.size();
    for (std::size_t i = records_.size(); i-- > 0;) {
        if (records_[i].window == 0) {
            index = i;
            break;
        }
    }
    auto hook = std::make_shared<HookEntry>(client_);
    if (!installer_.Install(window, hook)) return -1;
    if (index == records_.size()) records_.emplace_back();
    records_[index] = HookRecord{window, std::move(hook)};
    return static_cast<std::int32_t>(index);
}

HookRecord* WindowHook::Find(HookWindowHandle window) {
    if (window == 0) return nullptr;
    for (std::size_t i = records_.size(); i-- > 0;) {
        if (records_[i].window == window) return &records_[i];
    }
    return nullptr;
}

bool WindowHook::AddHookMessage(HookWindowHandle window, HookMessage message, HookPhase phase) {
    HookRecord* record = Find(window);
    if (!record) return false;
    if (phase & PhaseBefore) record->hook->before.Add(message);
    if (phase & PhaseAfter) record->hook->after.Add(message);
    return true;
}

bool WindowHook::RemoveHookMessage(HookWindowHandle window, HookMessage message, HookPhase phase) {
    HookRecord* record = Find(window);
    if (!record) return false;
    if (phase & PhaseBefore) record->hook->before.Remove(message);
    if (phase & PhaseAfter) record->hook->after.Remove(message);
    return true;
}

bool WindowHook::UnhookWindow(HookWindowHandle window) {
    HookRecord* record = Find(window);
    if (!record) return false;
    installer_.Uninstall(window, record->hook);
    record->hook->Disconnect();
    *record = HookRecord{};
    return true;
}

void WindowHook::UnhookAll() {
    for (std::size_t i = records_.size(); i-- > 0;) {
        if (records_[i].window != 0) UnhookWindow(records_[i].window);
    }
}

}  // namespace mulan::window
