// A Range header against a file size: a range handed out lies inside the file and is the one the
// header names, and a 416 comes only for a header that starts at or past the end (or asks for no
// bytes). The first byte picks the size's scale, the next eight give it, the rest is the header.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_site.h"
#include "site_server/byte_range.h"

namespace {

using mulan::fuzz::Check;
using mulan::site_server::ByteRange;
using mulan::site_server::RangeKind;

bool IsSpace(unsigned char c) {
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0;
}

// The two numbers of "bytes=D1-D2" once every space is gone; nullopt for any other form.
struct Numbers {
    std::string first, last;
};

std::optional<Numbers> Compact(std::string_view header) {
    std::string compact;
    for (const char c : header) {
        if (!IsSpace(static_cast<unsigned char>(c))) compact += c;
    }
    if (compact.rfind("bytes=", 0) != 0) return std::nullopt;
    const std::string rest = compact.substr(6);
    const std::size_t dash = rest.find('-');
    if (dash == std::string::npos) return std::nullopt;
    Numbers numbers{rest.substr(0, dash), rest.substr(dash + 1)};
    for (const std::string* part : {&numbers.first, &numbers.last}) {
        if (part->find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    }
    return numbers;
}

// The value of digits when it fits 64 bits.
std::optional<std::uint64_t> Exact(const std::string& digits) {
    const std::size_t significant = digits.find_first_not_of('0');
    if (significant == std::string::npos) return 0;
    const std::string value = digits.substr(significant);
    const std::string max = std::to_string(UINT64_MAX);
    if (value.size() > max.size() || (value.size() == max.size() && value > max)) return std::nullopt;
    return std::stoull(value);
}

void CheckRange(std::string_view header, std::uint64_t size, const ByteRange& range) {
    if (range.kind == RangeKind::WholeFile) return;
    const std::optional<Numbers> numbers = Compact(header);
    Check(numbers.has_value(), "a range from a header that is not bytes=FIRST-LAST");
    Check(!numbers->first.empty() || !numbers->last.empty(), "a range from \"bytes=-\"");
    const std::optional<std::uint64_t> first = Exact(numbers->first), last = Exact(numbers->last);
    if (range.kind == RangeKind::Unsatisfiable) {
        if (numbers->first.empty()) {
            Check(size == 0 || last == 0u, "416 for a suffix of some bytes of a file with some bytes");
        } else {
            Check(!first || *first >= size, "416 for a range that starts inside the file");
            const bool backwards = last && (!first || *last < *first);
            Check(numbers->last.empty() || !backwards, "416 for a range that ends before it starts");
        }
        return;
    }
    Check(range.first <= range.last && range.last < size, "range outside the file");
    if (numbers->first.empty()) {
        Check(range.last == size - 1, "a suffix that does not end at the end");
        Check(range.first == (last && *last < size ? size - *last : 0), "wrong suffix");
        return;
    }
    Check(first == range.first, "a range that does not start where asked");
    if (numbers->last.empty())
        Check(range.last == size - 1, "an open range that does not end at the end");
    else
        Check(range.last == (last && *last < size ? *last : size - 1),
              "a range that does not end where asked");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    std::uint64_t fileSize = 0;
    std::memcpy(&fileSize, data + 1, sizeof fileSize);
    // Mostly small files, where the header's numbers fall on both sides of the end.
    if (data[0] & 1) fileSize %= 4096;
    const std::string_view header(reinterpret_cast<const char*>(data + 9), size - 9);
    const ByteRange range = mulan::site_server::ParseRange(header, fileSize);
    CheckRange(header, fileSize, range);
    // White space around the header changes nothing.
    const ByteRange padded = mulan::site_server::ParseRange(" \t" + std::string(header) + "\t ", fileSize);
    Check(padded.kind == range.kind && padded.first == range.first && padded.last == range.last,
          "white space around the header changed the range");
    return 0;
}
