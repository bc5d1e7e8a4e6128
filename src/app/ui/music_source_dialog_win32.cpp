#include "app/ui/music_source_dialog_win32.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/ui/folder_picker_win32.h"
#include "app/ui/modal_window_win32.h"
#include "base/dpi_scale.h"
#include "base/wide_text_win32.h"
#include "base/window_dpi_win32.h"
#include "site/message_pump_win32.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kClassName[] = L"MulanMusicSource";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// A dialog's frame: no icon in the caption.
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr COLORREF kMessageColour = RGB(192, 0, 0);

// A control's place in the 96-DPI design.
struct Place {
    int x, y, width, height;
};
constexpr Place kComputerPlace{12, 12, 130, 22};
constexpr Place kSitePlace{150, 12, 130, 22};
constexpr Place kFoldersLabelPlace{12, 42, 310, 18};
constexpr Place kFoldersPlace{12, 62, 310, 108};
constexpr Place kAddPlace{332, 62, 96, 26};
constexpr Place kRemovePlace{332, 94, 96, 26};
constexpr Place kAddressLabelPlace{12, 180, 416, 18};
constexpr Place kAddressPlace{12, 200, 416, 24};
constexpr Place kHintPlace{12, 228, 416, 18};
constexpr Place kMessagePlace{12, 250, 416, 34};
constexpr Place kOkPlace{260, 290, 80, 26};
constexpr Place kCancelPlace{348, 290, 80, 26};

RECT At(const Place& place, int dpi) {
    return RECT{ScaleToDpi(place.x, dpi), ScaleToDpi(place.y, dpi), ScaleToDpi(place.x + place.width, dpi),
                ScaleToDpi(place.y + place.height, dpi)};
}

// Top-left corner that centres a window of the given size over owner, or over the work area.
POINT CentredOver(HWND owner, SIZE size) {
    RECT area{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return {area.left + (area.right - area.left - size.cx) / 2,
            area.top + (area.bottom - area.top - size.cy) / 2};
}

// The line the list shows for a folder: the Music folder says why it cannot be removed.
Text FolderLine(const MusicSourceForm& form, size_t index) {
    const Text& folder = form.Folders()[index];
    return form.CanRemove(index) ? folder : folder + u"（默认）";
}

}  // namespace

MusicSourceDialog::MusicSourceDialog(const MusicSource& current, Text musicFolder, FolderPicker pick)
    : form_(current, std::move(musicFolder)), pick_(std::move(pick)) {
    if (!pick_) pick_ = [](HWND owner) { return PickFolder(owner, u"添加音乐文件夹"); };
}

bool MusicSourceDialog::Create(HWND owner) {
    if (!RegisterClassOnce(kClassName, nullptr, GetSysColorBrush(COLOR_BTNFACE))) return false;
    const int systemDpi = win::SystemDpi();
    const SIZE size =
        win::FrameSizeForClient(ScaleToDpi(kClientWidth, systemDpi), ScaleToDpi(kClientHeight, systemDpi),
                                kStyle, kExStyle, systemDpi);
    const POINT at = CentredOver(owner, size);
    if (!CreateWindowFor(kClassName, kTitle, kStyle, kExStyle, at.x, at.y, size.cx, size.cy, owner))
        return false;
    // The monitor it landed on may have a DPI of its own.
    dpi_ = win::WindowDpi(hwnd());
    FitClient();
    if (!CreateControls()) return false;
    ApplyFont();
    ShowFolders(-1);
    ShowKind();
    return true;
}

bool MusicSourceDialog::CreateControls() {
    const HWND self = hwnd();
    const auto at = [this](const Place& place) { return At(place, dpi_); };
    const std::wstring address = win::Wide(form_.address());
    // Created in the order Tab visits them; WS_GROUP ends the two radio buttons' group.
    const bool made =
        computer_.Create(L"本机音乐(&L)", WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, at(kComputerPlace),
                         self, kComputerId) &&
        site_.Create(L"音乐网站(&W)", BS_AUTORADIOBUTTON, at(kSitePlace), self, kSiteId) &&
        foldersLabel_.Create(L"本机的音乐文件夹(&F)：", WS_GROUP | SS_LEFT, at(kFoldersLabelPlace), self,
                             kFoldersLabelId) &&
        folders_.Control::Create(WC_LISTBOXW, nullptr,
                                 WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                 at(kFoldersPlace), self, kFoldersId, WS_EX_CLIENTEDGE) &&
        add_.Create(L"添加文件夹(&A)…", WS_TABSTOP | BS_PUSHBUTTON, at(kAddPlace), self, kAddId) &&
        remove_.Create(L"移除(&R)", WS_TABSTOP | BS_PUSHBUTTON, at(kRemovePlace), self, kRemoveId) &&
        addressLabel_.Create(L"音乐网站地址(&D)：", WS_GROUP | SS_LEFT, at(kAddressLabelPlace), self,
                             kAddressLabelId) &&
        address_.Create(address.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, at(kAddressPlace), self, kAddressId,
                        WS_EX_CLIENTEDGE) &&
        hint_.Create(L"主机[:端口]，例如 192.168.1.5:18080（不写端口即 18080）", SS_LEFT | SS_NOPREFIX,
                     at(kHintPlace), self, kHintId) &&
        message_.Create(L"", SS_LEFT | SS_NOPREFIX, at(kMessagePlace), self, kMessageId) &&
        ok_.Create(L"确定", WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, at(kOkPlace), self, kOkId) &&
        cancel_.Create(L"取消", WS_TABSTOP | BS_PUSHBUTTON, at(kCancelPlace), self, kCancelId);
    if (!made) return false;
    computer_.onClick = [this] { ChooseKind(MusicSource::Kind::ThisComputer); };
    site_.onClick = [this] { ChooseKind(MusicSource::Kind::Site); };
    add_.onClick = [this] { AddFolder(); };
    remove_.onClick = [this] { RemoveFolder(); };
    ok_.onClick = [this] { Confirm(); };
    cancel_.onClick = [this] { Close(); };
    return true;
}

void MusicSourceDialog::ApplyFont() {
    win::ScopedFont font(win::CreateMessageFont(dpi_));
    if (!font) return;
    for (const window::Control* control : std::initializer_list<const window::Control*>{
             &computer_, &site_, &foldersLabel_, &folders_, &add_, &remove_, &addressLabel_, &address_,
             &hint_, &message_, &ok_, &cancel_})
        control->SetFont(font.get());
    font_ = std::move(font);
}

void MusicSourceDialog::LayOut() {
    const std::pair<const window::Control*, Place> places[] = {{&computer_, kComputerPlace},
                                                               {&site_, kSitePlace},
                                                               {&foldersLabel_, kFoldersLabelPlace},
                                                               {&folders_, kFoldersPlace},
                                                               {&add_, kAddPlace},
                                                               {&remove_, kRemovePlace},
                                                               {&addressLabel_, kAddressLabelPlace},
                                                               {&address_, kAddressPlace},
                                                               {&hint_, kHintPlace},
                                                               {&message_, kMessagePlace},
                                                               {&ok_, kOkPlace},
                                                               {&cancel_, kCancelPlace}};
    for (const auto& [control, place] : places) control->Place(At(place, dpi_));
}

void MusicSourceDialog::FitClient() {
    // The frame's own metrics need not follow the DPI (they do not under Wine): the client area is
    // made the design's size, whatever the frame around it takes.
    RECT window{};
    RECT client{};
    if (!GetWindowRect(hwnd(), &window) || !GetClientRect(hwnd(), &client)) return;
    const int width = ScaleToDpi(kClientWidth, dpi_) + (window.right - window.left) - client.right;
    const int height = ScaleToDpi(kClientHeight, dpi_) + (window.bottom - window.top) - client.bottom;
    if (width != window.right - window.left || height != window.bottom - window.top)
        SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MusicSourceDialog::DpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    ApplyFont();
    LayOut();
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClient();
    // The widest line is measured in the new font.
    ShowFolders(static_cast<int>(SendMessageW(folders_.hwnd(), LB_GETCURSEL, 0, 0)));
}

void MusicSourceDialog::ShowFolders(int selected) {
    folders_.Clear();
    int widest = 0;
    const win::ScopedWindowDC dc(folders_.hwnd());
    const HGDIOBJ old = dc && font_ ? SelectObject(dc.get(), font_.get()) : nullptr;
    for (size_t i = 0; i < form_.Folders().size(); ++i) {
        const std::wstring line = win::Wide(FolderLine(form_, i));
        folders_.Add(Text(line.begin(), line.end()));
        SIZE extent{};
        if (dc && GetTextExtentPoint32W(dc.get(), line.c_str(), static_cast<int>(line.size()), &extent))
            widest = std::max(widest, static_cast<int>(extent.cx));
    }
    if (old) SelectObject(dc.get(), old);
    // Long paths scroll sideways instead of being cut.
    SendMessageW(folders_.hwnd(), LB_SETHORIZONTALEXTENT, widest + ScaleToDpi(8, dpi_), 0);
    const int count = static_cast<int>(form_.Folders().size());
    if (selected >= count) selected = count - 1;
    SendMessageW(folders_.hwnd(), LB_SETCURSEL, selected, 0);
    ShowRemovable();
}

void MusicSourceDialog::ShowKind() {
    const bool computer = form_.kind() == MusicSource::Kind::ThisComputer;
    computer_.SetChecked(computer);
    site_.SetChecked(!computer);
    for (const window::Control* control :
         std::initializer_list<const window::Control*>{&foldersLabel_, &folders_, &add_})
        EnableWindow(control->hwnd(), computer);
    for (const window::Control* control :
         std::initializer_list<const window::Control*>{&addressLabel_, &address_, &hint_})
        EnableWindow(control->hwnd(), !computer);
    ShowRemovable();
    // The keyboard is not left on a control that no longer takes it.
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd(), focus) && !IsWindowEnabled(focus)) FocusControl(computer_.hwnd());
}

void MusicSourceDialog::ShowRemovable() {
    const LRESULT selected = SendMessageW(folders_.hwnd(), LB_GETCURSEL, 0, 0);
    const bool removable = form_.kind() == MusicSource::Kind::ThisComputer && selected != LB_ERR &&
                           form_.CanRemove(static_cast<size_t>(selected));
    // A disabled button keeps no focus: the list takes it.
    if (!removable && GetFocus() == remove_.hwnd()) SetFocus(folders_.hwnd());
    EnableWindow(remove_.hwnd(), removable);
}

void MusicSourceDialog::FocusControl(HWND control) {
    if (!control) return;
    // Tab into the two radio buttons lands on the chosen one.
    if (control == computer_.hwnd() || control == site_.hwnd())
        control = form_.kind() == MusicSource::Kind::Site ? site_.hwnd() : computer_.hwnd();
    SetFocus(control);
    if (control == address_.hwnd()) address_.Select(0, -1);
}

void MusicSourceDialog::Say(TextView message) {
    if (message_.Shown() != message) message_.SetText(message);
}

void MusicSourceDialog::ChooseKind(MusicSource::Kind kind) {
    form_.SetKind(kind);
    Say(u"");
    ShowKind();
}

void MusicSourceDialog::AddFolder() {
    const std::optional<Text> folder = pick_(hwnd());
    if (!folder) return;
    const Text refused = form_.AddFolder(*folder);
    Say(refused);
    if (!refused.empty()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    ShowFolders(static_cast<int>(form_.Folders().size()) - 1);
}

void MusicSourceDialog::RemoveFolder() {
    const LRESULT selected = SendMessageW(folders_.hwnd(), LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || !form_.RemoveFolder(static_cast<size_t>(selected))) return;
    Say(u"");
    ShowFolders(static_cast<int>(selected));
}

void MusicSourceDialog::Confirm() {
    form_.SetAddress(address_.GetText());
    const MusicSourceForm::Outcome outcome = form_.Validate();
    if (!outcome.source) {
        Say(outcome.error);
        MessageBeep(MB_ICONWARNING);
        SetFocus(address_.hwnd());
        address_.Select(0, -1);
        return;
    }
    chosen_ = outcome.source;
    Close();
}

void MusicSourceDialog::Close() {
    // The owner is enabled again before the dialog goes, so that it, not another program, becomes active.
    if (const HWND owner = GetWindow(hwnd(), GW_OWNER)) EnableWindow(owner, TRUE);
    DestroyWindow(hwnd());
}

HBRUSH MusicSourceDialog::MessageColours(HDC dc) const {
    SetTextColor(dc, kMessageColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT MusicSourceDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case DM_GETDEFID:
            return MAKELRESULT(kOkId, DC_HASDEFID);
        case WM_NEXTDLGCTL:
            // The dialog keys ask the window itself to move the focus, as they ask a dialog box.
            FocusControl(LOWORD(lp) ? reinterpret_cast<HWND>(wp)
                                    : GetNextDlgTabItem(hwnd(), GetFocus(), wp != 0));
            return 0;
        case WM_COMMAND:
            // Enter and Esc as the dialog keys send them without a button.
            if (lp == 0 && LOWORD(wp) == kOkId) {
                Confirm();
                return 0;
            }
            if (lp == 0 && LOWORD(wp) == kCancelId) {
                Close();
                return 0;
            }
            if (LOWORD(wp) == kFoldersId && HIWORD(wp) == LBN_SELCHANGE) {
                ShowRemovable();
                return 0;
            }
            if (LOWORD(wp) == kAddressId && HIWORD(wp) == EN_CHANGE) {
                Say(u"");
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lp) == message_.hwnd())
                return reinterpret_cast<LRESULT>(MessageColours(reinterpret_cast<HDC>(wp)));
            break;
        case WM_ACTIVATE:
            // The focus goes back where it was when the folder picker or another program closes.
            if (LOWORD(wp) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                lastFocus_ = focus && IsChild(hwnd(), focus) ? focus : nullptr;
            } else {
                SetFocus(lastFocus_ && IsWindowEnabled(lastFocus_)
                             ? lastFocus_
                             : (form_.kind() == MusicSource::Kind::Site ? site_.hwnd() : computer_.hwnd()));
            }
            return 0;
        case win::kWmDpiChanged:
            DpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_NCDESTROY:
            font_.reset();
            break;
        default:
            break;
    }
    return Default(msg, wp, lp);
}

std::optional<MusicSource> ChooseMusicSource(HWND owner, const MusicSource& current, const Text& musicFolder,
                                             FolderPicker pick) {
    MusicSourceDialog dialog(current, musicFolder, std::move(pick));
    if (!dialog.Create(owner)) return std::nullopt;
    RunModal(dialog, owner);
    return dialog.chosen();
}

}  // namespace mulan::app::ui
