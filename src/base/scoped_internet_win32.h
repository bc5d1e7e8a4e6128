#pragma once

#include <windows.h>
#include <winhttp.h>

#include "base/scoped_gdi_win32.h"

namespace mulan::win {

struct CloseInternetHandle {
    void operator()(HINTERNET h) const { WinHttpCloseHandle(h); }
};

// A WinHTTP session, connection or request, closed exactly once.
using ScopedInternet = ScopedHandle<HINTERNET, CloseInternetHandle>;

}  // namespace mulan::win
