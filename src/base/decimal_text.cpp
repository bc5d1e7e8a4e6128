#include "base/decimal_text.h"

#include <algorithm>
#include <charconv>

namespace mulan {

Text DecimalText(int64_t value, int minDigits) {
    // 19 digits and a sign hold every int64_t.
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const char* first = digits;
    Text text;
    if (value < 0) {
        text += u'-';
        ++first;
    }
    const auto count = static_cast<int>(end - first);
    text.append(static_cast<size_t>(std::max(0, minDigits - count)), u'0');
    text.append(first, end);
    return text;
}

}  // namespace mulan
