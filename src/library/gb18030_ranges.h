#pragma once

// GB18030's four-byte codes of the Basic Multilingual Plane, as runs (internal to the library). The
// table is generated at build time by tools/tables/make_gb18030_ranges.py.

#include <cstddef>
#include <cstdint>

namespace mulan::library::gb18030 {

// A run of four-byte codes whose code points rise with their linear index (0 at 0x81308130); it ends
// where the next run begins.
struct Run {
    std::uint32_t firstCode;
    std::uint32_t firstIndex;
};

// Runs by rising firstIndex; the first starts at index 0.
extern const Run kBmpRuns[];
extern const std::size_t kBmpRunCount;
// Linear indexes 0 to kBmpIndexes - 1 are BMP characters; the last run ends there.
extern const std::uint32_t kBmpIndexes;

}  // namespace mulan::library::gb18030
