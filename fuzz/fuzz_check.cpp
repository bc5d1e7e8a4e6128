#include <cstdio>
#include <cstdlib>

#include "base/report.h"
#include "fuzz_site.h"

namespace mulan::fuzz {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace mulan::fuzz

namespace mulan {

// A failure the program would only report is a finding here.
void ReportFailure(const char*, int, const char* what) noexcept {
    fuzz::Fail(what);
}

}  // namespace mulan
