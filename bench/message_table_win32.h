#pragma once

// The table message-count and message-hook.dll share through a named file mapping: one slot per
// (window, message, how it came), claimed by the hook on the window's first such message.
#include <windows.h>

namespace bench {

inline constexpr wchar_t kMessageTableName[] = L"MulanBenchMessageTable";
inline constexpr size_t kMessageSlots = 8192;
// How a message came: sent to the window procedure, or taken from the thread's queue.
inline constexpr LONG64 kSent = 1;
inline constexpr LONG64 kTaken = 2;

struct MessageSlot {
    // Window handle (low 32 bits, as the system hands them) << 32 | how << 16 | message; 0 = free.
    volatile LONG64 key;
    volatile LONG count;
    LONG unused;
};

struct MessageTable {
    volatile LONG counting;  // the hook counts only while this is set
    volatile LONG lost;      // messages that found the table full
    MessageSlot slots[kMessageSlots];
};

}  // namespace bench
