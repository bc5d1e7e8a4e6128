#include <cstdio>
#include <cstdlib>

#include "fuzz_site.h"

namespace mulan::fuzz {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace mulan::fuzz
