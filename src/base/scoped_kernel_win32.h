#pragma once

#include <windows.h>

#include "base/scoped_gdi_win32.h"

namespace mulan::win {

struct CloseKernelHandle {
    void operator()(HANDLE h) const { CloseHandle(h); }
};

// A kernel object (an event, a file) closed exactly once. Null is "no handle".
using ScopedKernelHandle = ScopedHandle<HANDLE, CloseKernelHandle>;

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null; this takes either, so an owned file
// has one "none" like every other handle.
inline ScopedKernelHandle OwnFileHandle(HANDLE file) {
    return ScopedKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

}  // namespace mulan::win
