// The default sink of reports where the program runs with a console: standard error.
#include <cstdio>

#include "base/report.h"

namespace mulan {

void ReportFailure(const char* file, int line, const char* what) noexcept {
    std::fprintf(stderr, "%s:%d: reported: %s\n", file, line, what);
}

}  // namespace mulan
