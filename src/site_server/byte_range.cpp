#include "site_server/byte_range.h"

#include <limits>
#include <optional>

namespace mulan::site_server {

namespace {

// White space as the server this one replaces took it: header bytes read as Latin-1, and every one of
// them that Python's patterns count as white space.
bool IsSpace(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x09 && byte <= 0x0D) || (byte >= 0x1C && byte <= 0x20) || byte == 0x85 || byte == 0xA0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipSpace(std::string_view& rest) {
    std::size_t n = 0;
    while (n < rest.size() && IsSpace(rest[n])) ++n;
    rest.remove_prefix(n);
}

bool Take(std::string_view& rest, std::string_view word) {
    if (rest.substr(0, word.size()) != word) return false;
    rest.remove_prefix(word.size());
    return true;
}

std::string_view TakeDigits(std::string_view& rest) {
    std::size_t n = 0;
    while (n < rest.size() && IsDigit(rest[n])) ++n;
    const std::string_view digits = rest.substr(0, n);
    rest.remove_prefix(n);
    return digits;
}

// The two numbers of "bytes=FIRST-LAST", either of them possibly empty; nullopt when the header has
// any other form.
struct Numbers {
    std::string_view first, last;
};

std::optional<Numbers> ReadNumbers(std::string_view rest) {
    Numbers numbers;
    SkipSpace(rest);
    if (!Take(rest, "bytes")) return std::nullopt;
    SkipSpace(rest);
    if (!Take(rest, "=")) return std::nullopt;
    SkipSpace(rest);
    numbers.first = TakeDigits(rest);
    SkipSpace(rest);
    if (!Take(rest, "-")) return std::nullopt;
    SkipSpace(rest);
    numbers.last = TakeDigits(rest);
    SkipSpace(rest);
    if (!rest.empty()) return std::nullopt;
    return numbers;
}

// A decimal number of any length: its value when that fits 64 bits; otherwise it lies beyond any file.
struct Decimal {
    std::string_view digits;  // without leading zeros
    std::optional<std::uint64_t> value;
};

Decimal ReadDecimal(std::string_view digits) {
    const std::size_t significant = digits.find_first_not_of('0');
    Decimal number{significant == std::string_view::npos ? std::string_view() : digits.substr(significant),
                   std::uint64_t{0}};
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (const char c : number.digits) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (*number.value > (kMax - digit) / 10) {
            number.value.reset();
            break;
        }
        *number.value = *number.value * 10 + digit;
    }
    return number;
}

bool Less(const Decimal& a, const Decimal& b) {
    if (a.digits.size() != b.digits.size()) return a.digits.size() < b.digits.size();
    return a.digits < b.digits;
}

bool Inside(const Decimal& position, std::uint64_t size) {
    return position.value && *position.value < size;
}

ByteRange Single(std::uint64_t first, std::uint64_t last) {
    return {RangeKind::Single, first, last};
}

constexpr ByteRange kWholeFile{RangeKind::WholeFile, 0, 0};
constexpr ByteRange kUnsatisfiable{RangeKind::Unsatisfiable, 0, 0};

ByteRange Suffix(const Decimal& length, std::uint64_t size) {
    if (length.digits.empty() || size == 0) return kUnsatisfiable;
    return Single(Inside(length, size) ? size - *length.value : 0, size - 1);
}

}  // namespace

ByteRange ParseRange(std::string_view header, std::uint64_t size) {
    const std::optional<Numbers> numbers = ReadNumbers(header);
    if (!numbers) return kWholeFile;
    if (numbers->first.empty())
        return numbers->last.empty() ? kWholeFile : Suffix(ReadDecimal(numbers->last), size);
    const Decimal first = ReadDecimal(numbers->first);
    const std::optional<Decimal> last =
        numbers->last.empty() ? std::nullopt : std::optional<Decimal>(ReadDecimal(numbers->last));
    if (last && Less(*last, first)) return kWholeFile;
    if (!Inside(first, size)) return kUnsatisfiable;
    return Single(*first.value, last && Inside(*last, size) ? *last->value : size - 1);
}

}  // namespace mulan::site_server
