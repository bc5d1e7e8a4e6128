// The default sink of reports on Windows: the debugger's output (DebugView, a debugger), which a
// program without a console still has.
#include <windows.h>

#include <cstdio>

#include "base/report.h"

namespace mulan {

void ReportFailure(const char* file, int line, const char* what) noexcept {
    char text[1024];
    std::snprintf(text, sizeof text, "mulan: %s:%d: reported: %s\n", file, line, what);
    OutputDebugStringA(text);
}

}  // namespace mulan
