#include "app/ui/form2_win32.h"

#include <string>

#include "app/ui/modal_window_win32.h"
#include "base/window_dpi_win32.h"
#include "site/message_pump_win32.h"
#include "site/text_cut.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kClassName[] = L"MulanForm2";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

// Top-left corner that centres a window of the given size over owner, or over the work area.
POINT CentredOver(HWND owner, int width, int height) {
    RECT area{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return {area.left + (area.right - area.left - width) / 2,
            area.top + (area.bottom - area.top - height) / 2};
}

}  // namespace

bool Form2::Create(HWND owner, TextView address) {
    if (!RegisterClassOnce(kClassName, nullptr, GetSysColorBrush(COLOR_BTNFACE))) return false;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const POINT at = CentredOver(owner, width, height);
    if (!CreateWindowFor(kClassName, L"外链地址", kStyle, 0, at.x, at.y, width, height, owner)) return false;
    const std::wstring text(address.begin(), address.end());
    if (!Text1_.Create(text.c_str(), WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY,
                       RECT{0, 0, kClientWidth, kText1Height}, hwnd(), kText1Id, WS_EX_CLIENTEDGE))
        return false;
    font_.reset(win::CreateMessageFont(win::SystemDpi()));
    if (font_) Text1_.SetFont(font_.get());
    return true;
}

LRESULT Form2::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && Text1_.hwnd()) {
                SetFocus(Text1_.hwnd());
                Text1_.Select(0, -1);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            // A read-only box keeps the look of a text box: the address is there to be copied.
            if (reinterpret_cast<HWND>(lp) == Text1_.hwnd()) {
                const HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL && lp == 0) {
                PostMessageW(hwnd(), WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_CLOSE:
            // The owner is enabled again before Form2 goes, so that it, not another program, becomes active.
            if (const HWND owner = GetWindow(hwnd(), GW_OWNER)) EnableWindow(owner, TRUE);
            DestroyWindow(hwnd());
            return 0;
        case WM_NCDESTROY:
            font_.reset();
            break;
        default:
            break;
    }
    return Default(msg, wp, lp);
}

void ShowSongLink(HWND owner, TextView address) {
    if (site::TrimSpaces(address).empty()) return;
    Form2 form;
    if (!form.Create(owner, address)) return;
    RunModal(form, owner);
}

}  // namespace mulan::app::ui
