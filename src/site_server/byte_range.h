#pragma once

#include <cstdint>
#include <string_view>

namespace mulan::site_server {

enum class RangeKind {
    WholeFile,      // no Range header, or one that is ignored
    Single,         // bytes first..last, both inside the file
    Unsatisfiable,  // 416: the range starts at or beyond the end, or is a suffix of 0 bytes
};

struct ByteRange {
    RangeKind kind = RangeKind::WholeFile;
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // inclusive; first <= last < size when kind is Single
};

// What a Range header (empty when there is none) asks of a file of size bytes. Only one range
// "bytes=FIRST-LAST", "bytes=FIRST-" or "bytes=-SUFFIX" is served, with white space allowed around
// every part; a header that is malformed, lists several ranges or ends before it starts is ignored,
// as HTTP allows, and the whole file goes out. A last position beyond the end is cut to the end; a
// suffix longer than the file is the whole file. Numbers of any length are read exactly.
ByteRange ParseRange(std::string_view header, std::uint64_t size);

}  // namespace mulan::site_server
