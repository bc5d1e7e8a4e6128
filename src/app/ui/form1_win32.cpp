#include "app/ui/form1_win32.h"

#include <commctrl.h>

#include <cmath>
#include <string>

#include "app/player_texts.h"
#include "app/resource_ids.h"
#include "app/ui/form1_metrics_win32.h"
#include "base/dpi_scale.h"
#include "base/wide_text_win32.h"
#include "base/window_dpi_win32.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kClassName[] = L"MulanForm1";
constexpr UINT_PTR kTimer2 = 2;
// Timer3 and Timer4 tick together: one system timer drives both, and runs Timer4's tick only while
// Timer3 is switched off. Two timers at one rate would wake the window twice as often for the same
// pictures, and under Wine every wake-up costs requests of the server.
constexpr UINT_PTR kDisplayTimer = 3;
// Often enough for the displays to follow the player several times a second, rare enough to cost
// nothing while idle.
constexpr UINT kDisplayTickMillis = 100;

// A control's stored property set, compiled into the program as a resource.
PropertyBag StoredProperties(const wchar_t* name) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes) return {};
    return PropertyBag::Parse(std::string_view(bytes, SizeofResource(module, found)));
}

}  // namespace

Form1::Form1()
    : menu_(MakeMenuModel(MenuId::Menu)),
      mos_(MakeMenuModel(MenuId::Mos)),
      endMenu_(MakeMenuModel(MenuId::EndMenu)),
      tray_(*this) {}

Form1::~Form1() {
    tray_.RemoveTrayIcon();
    Destroy();
}

bool Form1::Create(int showCommand) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    icon_ = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    // The notification area shows the small image at the screen's DPI.
    trayIcon_ = win::LoadIconAt(instance, kAppIconId, SM_CXSMICON, win::SystemDpi());
    if (!trayIcon_) trayIcon_ = icon_;
    if (!RegisterClassOnce(kClassName, icon_, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) return false;
    dpi_ = win::SystemDpi();
    const SIZE frame = FrameSize();
    Form_Initialize();
    if (!CreateWindowFor(kClassName, win::Wide(kCaption).c_str(), kForm1Style, 0, CW_USEDEFAULT,
                         CW_USEDEFAULT, frame.cx, frame.cy, nullptr)) {
        return false;
    }
    // The window may have opened on a monitor of another DPI than the screen's.
    dpi_ = win::WindowDpi(hwnd());
    FitClientArea();
    if (!fChild_.Create(icon_) || !CreateControls()) return false;
    KeepInWorkArea();
    fChild_.SetMessageFilter(this);
    // The results window starts beside the main window.
    RECT main{};
    GetWindowRect(hwnd(), &main);
    SetWindowPos(fChild_.hwnd(), nullptr, main.right, main.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Form_Load();
    // The results window docks to the main window from its own loading on, which comes with its
    // first showing: after the main window has registered itself in Form_Load.
    fChild_.SetLoadHooks([this](HWND results) { oMagneticWnd_.AddWindow(results, hwnd()); },
                         [this](HWND results) { oMagneticWnd_.RemoveWindow(results); });
    RegisterMediaKeys();
    ShowWindow(hwnd(), showCommand);
    UpdateWindow(hwnd());
    Form_Resize();
    return true;
}

bool Form1::CreateControls() {
    MakeFonts();
    tooltip_.Create(hwnd());
    // A width makes the tooltip honour the line breaks of the playlist and status bar tips.
    tooltip_.SetMaxWidth(ScaleToDpi(kTipWidth, dpi_));

    player_.SetEvents(this);
    using C = Form1Control;
    if (!player_.Create(hwnd(), PlaceOf(C::WindowsMediaPlayer1), ControlId(C::WindowsMediaPlayer1)))
        return false;
    tooltip_.AddTool(player_.hwnd(), u"双击全屏显示");

    if (!ProgressBar1_.Create(PlaceOf(C::ProgressBar1), hwnd(), ControlId(C::ProgressBar1))) return false;
    ProgressBar1_.SetRange(100);
    if (!CreateSliders()) return false;
    if (!Command2_.Create(L":-", BS_PUSHBUTTON, PlaceOf(C::Command2), hwnd(), ControlId(C::Command2)))
        return false;
    if (!CreateSearchBox()) return false;

    if (!Frame1_.Create(hwnd(), PlaceOf(C::Frame1), ControlId(C::Frame1))) return false;
    if (!Label1_.Create(L"暂无歌词显示", SS_LEFT | SS_NOTIFY, PlaceOf(C::Label1), Frame1_.hwnd(),
                        ControlId(C::Label1)))
        return false;

    const RECT list = PlaceOf(C::QMListBox1);
    if (!QMListBox1_.Create(hwnd(), list.left, list.top, list.right - list.left, list.bottom - list.top,
                            StoredProperties(L"QMLISTBOX1"))) {
        return false;
    }
    QMListBox1_.SetEvents(this);

    if (!StatusBar1_.Create(CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, PlaceOf(C::StatusBar1), hwnd(),
                            ControlId(C::StatusBar1)))
        return false;
    SetPanelEdges();
    tooltip_.AddTool(StatusBar1_.hwnd(), u"");
    tooltip_.AddTool(QMListBox1_.hwnd(), u"");
    if (!CreateStateHolders()) return false;
    ApplyFonts();
    WireEvents();

    SetTimer(hwnd(), kTimer2, 1000, nullptr);
    SetTimer3(true);
    SetTimer(hwnd(), kDisplayTimer, kDisplayTickMillis, nullptr);
    return true;
}

bool Form1::CreateSliders() {
    using C = Form1Control;
    constexpr DWORD style = TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS;
    if (!Slider1_.Create(style, PlaceOf(C::Slider1), hwnd(), ControlId(C::Slider1))) return false;
    tooltip_.AddTool(Slider1_.hwnd(), u"播放进度");
    if (!Slider2_.Create(style, PlaceOf(C::Slider2), hwnd(), ControlId(C::Slider2))) return false;
    Slider2_.SetRange(0, 100);
    Slider2_.SetTicFrequency(10);
    Slider2_.SetPos(60);
    tooltip_.AddTool(Slider2_.hwnd(), u"音量调节");
    return true;
}

// The drop-down list opens below the box; the box itself keeps its designed height.
bool Form1::CreateSearchBox() {
    if (!Text1_.Create(WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL, PlaceOf(Form1Control::Text1),
                       hwnd(), ControlId(Form1Control::Text1)))
        return false;
    Text1_.SetText(u"搜索歌曲");
    return true;
}

// Controls that only hold state, outside the client area.
bool Form1::CreateStateHolders() {
    using C = Form1Control;
    return List1_.Create(WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, PlaceOf(C::List1), hwnd(),
                         ControlId(C::List1)) &&
           Option1_.Create(L"单曲播放", BS_AUTORADIOBUTTON | WS_GROUP, PlaceOf(C::Option1), hwnd(),
                           ControlId(C::Option1)) &&
           Option2_.Create(L"列表循环", BS_AUTORADIOBUTTON, PlaceOf(C::Option2), hwnd(),
                           ControlId(C::Option2)) &&
           Option3_.Create(L"随机播放", BS_AUTORADIOBUTTON, PlaceOf(C::Option3), hwnd(),
                           ControlId(C::Option3)) &&
           // The download browser's place; the download itself comes with the song link window.
           WebBrowser1_.Create(nullptr, 0, PlaceOf(C::WebBrowser1), hwnd(), ControlId(C::WebBrowser1));
}

// What the controls tell the window: the pointer over them (Timer3 stops on the progress slider,
// so that the user can drag its thumb, and runs elsewhere), clicks and the search box's keys.
void Form1::WireEvents() {
    const auto timer3On = [this] { SetTimer3(true); };
    for (window::Control* control :
         std::initializer_list<window::Control*>{&Label1_, &Command2_, &ProgressBar1_, &Slider2_}) {
        control->onMouseMove = timer3On;
    }
    Frame1_.onMouseMove = timer3On;
    Slider1_.onMouseMove = [this] { SetTimer3(false); };
    StatusBar1_.onMouseMove = [this] { StatusBar1_MouseMove(); };
    // A click on the progress slider seeks there, once the thumb has taken its final place.
    Slider1_.onButtonUp = [this] { Slider1_Click(); };
    Command2_.onClick = [this] { Command2_Click(); };
    Text1_.onChar = [this](wchar_t key) { return Text1_KeyPress(key); };
    Text1_.onEditChange = [this] { Text1_Change(); };
    // Focus entering the search box.
    Text1_.onFocus = timer3On;
}

Text Form1::Caption() const {
    return win::WindowText(hwnd());
}

// Start-up. The search target is set when the window is created, and again when it loads.
void Form1::Form_Initialize() {
    searchState_.SearchTarget = site::TargetPlaylist;
}

void Form1::Form_Load() {
    // The main window registers for docking first; the results window joins it when it loads.
    oMagneticWnd_.AddWindow(hwnd(), nullptr);
    searchState_.SearchTarget = site::TargetPlaylist;
    state_.TrayNoticeState = 1;
    state_.NowPlayingTitle.clear();
    SetShowsVisible(false);
    player_.SetEnableContextMenu(false);
    searchState_.SearchPage = 1;
    state_.CurrentIndex = 0;
    SetPlayMode(PlayMode::ListLoop);
    tray_.ShowTrayNotice(StartupNotice(Caption()));
    startupFailure_ = LoadAfterTray();
    if (const auto message = StartupErrorMessage(startupFailure_)) {
        MessageBoxW(hwnd(), win::Wide(*message).c_str(), L"错误", MB_ICONERROR | MB_OK);
    }
    loaded_ = true;
}

// The steps that may fail; the first failure ends them.
std::optional<StartupFailure> Form1::LoadAfterTray() {
    if (auto failure = skin_.AttachEx()) return failure;
    if (auto failure = skin_.SetAero(0)) return failure;
    ProgressBar1_.SetPos(100);
    ShowWindow(fChild_.hwnd(), SW_SHOW);
    return std::nullopt;
}

// A close request only hides the window to the tray.
void Form1::Form_QueryUnload() {
    SetShowsVisible(true);
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
    tray_.ShowTrayNotice(CloseRequestNotice(state_, Caption()));
}

// The results window follows the main window into the tray and back.
void Form1::Form_Resize() {
    const HWND child = fChild_.hwnd();
    if (IsIconic(hwnd())) {
        ShowWindow(child, SW_MINIMIZE);
        ShowWindow(child, SW_HIDE);
        return;
    }
    ShowWindow(child, IsIconic(child) ? SW_RESTORE : SW_SHOWNA);
}

void Form1::Timer2_Timer() {
    if (timer2Ticks_ < 1) {
        ++timer2Ticks_;
        return;
    }
    searchState_.SearchPage = 1;
    KillTimer(hwnd(), kTimer2);
    if (commands_) commands_->StartupSearch();
}

void Form1::Timer3_Timer() {
    if (commands_) commands_->TickDisplay(true);
}

void Form1::Timer4_Timer() {
    if (commands_) commands_->TickDisplay(false);
}

void Form1::DBClick(int16_t, int16_t, float X, float Y) {
    const int16_t index = QMListBox1_.IndexFromPoint(X, Y);
    if (commands_ && index >= 0) commands_->PlayEntryAt(index);
}

void Form1::MouseMove(int16_t, int16_t, float X, float Y) {
    SetTimer3(true);
    if (commands_) commands_->PlaylistHover(QMListBox1_.IndexFromPoint(X, Y));
}

void Form1::MouseUp(int16_t Button, int16_t, float X, float Y) {
    QMListBox1_MouseUp(Button, X, Y);
}

// A click on the progress slider seeks there and plays on.
void Form1::Slider1_Click() {
    Slider1_.SetRangeMax(static_cast<int>(std::nearbyint(player_.duration())));
    player_.SetCurrentPosition(static_cast<double>(Slider1_.Pos()));
    player_.play();
    SetTimer3(true);
}

void Form1::AnnounceInTray(TextView balloon) {
    tray_.ShowTrayNotice(InfoNotice(tray_.Tip(), balloon));
}

void Form1::StatusBar1_MouseMove() {
    tooltip_.SetToolText(StatusBar1_.hwnd(), StatusBar1_.PanelText(1) + u"  \r\n" + StatusBar1_.PanelText(2));
}

void Form1::Connect(PlaybackCommands* commands, ResultsHost* results) {
    commands_ = commands;
    fChild_.SetHost(results);
}

// A hit of a search into the playlist: its name as the title, its id as author and address.
void Form1::AddToPlaylist(const site::SearchResult& result) {
    QMListBox1_.AddItem(result.name, result.id, result.id, u"");
}

// A range or maximum that stays is not sent again: the control would draw itself anew for it. The
// ticker has found that something changed.
void Form1::ShowProgress(int range, int position) {
    if (range != ProgressBar1_.RangeMax()) ProgressBar1_.SetRange(range);
    ProgressBar1_.SetPos(position);
}

void Form1::ShowSeekPosition(int maximum, int position) {
    if (maximum != Slider1_.RangeMax()) Slider1_.SetRangeMax(maximum);
    Slider1_.SetPos(position);
}

// Events of WindowsMediaPlayer1.
void Form1::PlayStateChange(int32_t NewState) {
    if (commands_) commands_->PlayStateChange(NewState);
}
void Form1::StatusChange() {
    if (commands_) commands_->StatusChange();
}
void Form1::Click() {
    state_.AutoResume = 2;
}
void Form1::MouseDown() {
    state_.AutoResume = 2;
}
void Form1::MouseUp() {
    state_.AutoResume = 2;
}
void Form1::DoubleClick() {
    player_.SetFullScreen(true);
}
void Form1::MouseMove() {
    SetTimer3(true);
}

// Timer3 moves the progress slider: it stops while the pointer is on the slider, so that the user
// can drag the thumb, and runs again once the pointer is over another part of the window. It ticks
// with the display timer, which Timer4 keeps running.
void Form1::SetTimer3(bool on) {
    timer3On_ = on;
}

// While its icon is up the tray sees each of the window's messages first, and has the last word on
// the tray menu's items after the window handled it.
LRESULT Form1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (!tray_.IsUp()) return Dispatch(msg, wp, lp);
    tray_.BeforeMessage(msg, lp);
    const LRESULT result = Dispatch(msg, wp, lp);
    if (tray_.IsUp()) tray_.AfterMessage();
    return result;
}

LRESULT Form1::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            Form_QueryUnload();
            return 0;
        case WM_SIZE:
            // Sizes during creation come before the window is loaded.
            if (!loaded_) return 0;
            if (wp == SIZE_RESTORED) FitClientArea();
            Form_Resize();
            return 0;
        case WM_TIMER:
            if (wp == kTimer2) Timer2_Timer();
            if (wp == kDisplayTimer) {
                // The full tick shows all the reduced one does.
                if (timer3On_) {
                    Timer3_Timer();
                } else {
                    Timer4_Timer();
                }
            }
            return 0;
        case WM_MOUSEMOVE:
            SetTimer3(true);
            return 0;
        case WM_ACTIVATE:
            // The control that had the focus gets it back when the window is active again.
            if (LOWORD(wp) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(hwnd(), focus)) lastFocus_ = focus;
            }
            return Default(msg, wp, lp);
        case WM_SETFOCUS:
            SetFocus(lastFocus_ && IsChild(hwnd(), lastFocus_) ? lastFocus_ : QMListBox1_.hwnd());
            return 0;
        case WM_DISPLAYCHANGE:
            // A smaller screen may leave the window partly off it.
            KeepInWorkArea();
            return Default(msg, wp, lp);
        case win::kWmDpiChanged:
            DpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_HOTKEY:
            HotKeyPressed(wp);
            return 0;
        case WM_APPCOMMAND:
            return AppCommandPressed(lp) ? TRUE : Default(msg, wp, lp);
        case WM_COMMAND:
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app::ui
