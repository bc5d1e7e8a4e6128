#include "base/wide_text_win32.h"

namespace mulan::win {

std::wstring Wide(TextView text) {
    return std::wstring(text.begin(), text.end());
}

Text WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return Text(text.begin(), text.end());
}

}  // namespace mulan::win
