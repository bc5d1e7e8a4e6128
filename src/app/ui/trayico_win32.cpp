#include "app/ui/trayico_win32.h"

#include <shellapi.h>

#include <cstring>

#include "app/player_texts.h"
#include "app/tray_rules.h"

namespace mulan::app::ui {

namespace {

template <size_t N>
void CopyField(WCHAR (&to)[N], const std::array<char16_t, N>& from) {
    static_assert(sizeof(WCHAR) == sizeof(char16_t));
    std::memcpy(to, from.data(), sizeof to);
}

NOTIFYICONDATAW ToPlatform(const TrayRecord& record) {
    NOTIFYICONDATAW data{};
    data.cbSize = record.size;
    data.hWnd = reinterpret_cast<HWND>(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = reinterpret_cast<HICON>(record.icon);
    CopyField(data.szTip, record.tip);
    data.dwState = record.state;
    data.dwStateMask = record.stateMask;
    CopyField(data.szInfo, record.balloon);
    data.uTimeout = record.timeout;
    CopyField(data.szInfoTitle, record.balloonTitle);
    data.dwInfoFlags = record.balloonFlags;
    return data;
}

// The record in the size the fields above fill: the form without the balloon icon and GUID.
constexpr uint32_t kRecordSize = NOTIFYICONDATAW_V2_SIZE;

}  // namespace

Trayico::Trayico(TrayHost& host) : host_(host), taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {}

Trayico::~Trayico() {
    RemoveTrayIcon();
}

void Trayico::Send(DWORD command, const TrayRecord& record) {
    NOTIFYICONDATAW data = ToPlatform(record);
    Shell_NotifyIconW(command, &data);
}

void Trayico::ShowTrayNotice(const TrayNotice& notice) {
    last_ = notice;
    const TrayRecord record =
        NoticeRecord(reinterpret_cast<uintptr_t>(host_.MainWindow()),
                     reinterpret_cast<uintptr_t>(host_.MainIcon()), notice, kRecordSize);
    if (hooked_) {
        Send(NIM_MODIFY, record);
        return;
    }
    Send(NIM_ADD, record);
    hooked_ = true;
}

void Trayico::RemoveTrayIcon() {
    if (!hooked_) return;
    Send(NIM_DELETE, RemoveRecord(reinterpret_cast<uintptr_t>(host_.MainWindow()),
                                  reinterpret_cast<uintptr_t>(host_.MainIcon()), kRecordSize));
    hooked_ = false;
}

void Trayico::AfterMessage() {
    host_.SetShowsVisible(IsIconic(host_.MainWindow()) != FALSE);
}

void Trayico::BeforeMessage(UINT msg, LPARAM lp) {
    const HWND hwnd = host_.MainWindow();
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        // A new taskbar knows no icons: put ours up again so a hidden window can come back.
        Send(NIM_ADD,
             NoticeRecord(reinterpret_cast<uintptr_t>(hwnd), reinterpret_cast<uintptr_t>(host_.MainIcon()),
                          InfoNotice(last_.tip, u""), kRecordSize));
        return;
    }
    switch (TrayActionFor(msg, lp)) {
        case TrayAction::RefreshTip: {
            const MainWindowState& state = host_.State();
            ShowTrayNotice(
                InfoNotice(AnnouncedTip(state.NowPlayingTitle, state.TrayNoticeState, host_.Caption()), u""));
            break;
        }
        case TrayAction::ToggleWindow:
            if (IsIconic(hwnd)) {
                ShowWindow(hwnd, SW_RESTORE);
                ShowWindow(hwnd, SW_SHOW);
            } else {
                ShowWindow(hwnd, SW_MINIMIZE);
                ShowWindow(hwnd, SW_HIDE);
            }
            break;
        case TrayAction::OpenMenu:
            SetForegroundWindow(hwnd);
            host_.OpenEndMenu();
            break;
        case TrayAction::None:
            break;
    }
}

}  // namespace mulan::app::ui
