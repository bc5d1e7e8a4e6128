#pragma once

#include <array>
#include <cstdint>

#include "base/text.h"
#include "base/tray_notice.h"

namespace mulan::app {

// The notification-area record, in its wide-character form: the fields of the platform's record in
// their order, with the window and icon as plain numbers so that the core needs no platform types.
struct TrayRecord {
    static constexpr uint32_t kCallbackMessage = 1025;
    static constexpr uint32_t kNoticeFlags = 31;  // message, icon, tip, state, balloon
    static constexpr uint32_t kRemoveFlags = 7;   // message, icon, tip

    uint32_t size = 0;
    uintptr_t window = 0;
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t callbackMessage = kCallbackMessage;
    uintptr_t icon = 0;
    std::array<char16_t, 128> tip{};
    uint32_t state = 0;
    uint32_t stateMask = 0;
    std::array<char16_t, 256> balloon{};
    uint32_t timeout = 0;
    std::array<char16_t, 64> balloonTitle{};
    uint32_t balloonFlags = 0;
};

using mulan::TrayNotice;

// The shell command a notice is sent with.
enum class TrayCommand : uint32_t { Add = 0, Modify = 1, Delete = 2 };

// Text left-aligned in its fixed-size field; too long text is cut at the end of the field. The
// rest of the field is zero rather than spaces: the shell shows a field up to its first zero, and
// trailing spaces would widen the tooltip and the balloon into a large empty box. An empty text
// leaves the field empty, so no balloon is raised.
template <size_t N>
void FillTrayField(std::array<char16_t, N>& field, TextView text) {
    field.fill(u'\0');
    const size_t count = text.size() < N - 1 ? text.size() : N - 1;
    for (size_t i = 0; i < count; ++i) field[i] = text[i];
}

// The record of ShowTrayNotice; the balloon title is always the tip.
TrayRecord NoticeRecord(uintptr_t window, uintptr_t icon, const TrayNotice& notice, uint32_t recordSize);
// The record that removes the icon: empty tip, no balloon.
TrayRecord RemoveRecord(uintptr_t window, uintptr_t icon, uint32_t recordSize);

}  // namespace mulan::app
