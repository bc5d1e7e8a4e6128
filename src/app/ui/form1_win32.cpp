#include "app/ui/form1_win32.h"

#include <commctrl.h>

#include <cmath>
#include <string>

#include "base/report.h"
#include "base/wide_text_win32.h"
#include "app/form1_layout.h"
#include "app/like_pattern.h"
#include "app/media_keys.h"
#include "app/resource_ids.h"
#include "base/dpi_scale.h"
#include "base/window_dpi_win32.h"

namespace mulan::app::ui {

namespace {

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

namespace {

constexpr wchar_t kClassName[] = L"MulanForm1";
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kTimer2 = 2;
constexpr UINT_PTR kTimer3 = 3;
constexpr UINT_PTR kTimer4 = 4;
// Often enough for the displays to follow the player several times a second, rare enough to cost
// nothing while idle.
constexpr UINT kDisplayTickMillis = 100;
// Status bar panels in twips: panel 2 is wider than the window.
constexpr int kPanel1Twips = 1640;
constexpr int kPanel2Twips = 8440;
// First command id of each menu; an item's id adds its index.
constexpr UINT kMenuBase = 1000;
constexpr UINT kMosBase = 2000;
constexpr UINT kEndMenuBase = 3000;

RECT PixelsOf(TextView name, int dpi) {
    const PixelRect r = ToPixels(Form1Placement(name), dpi);
    return RECT{r.left, r.top, r.left + r.width, r.top + r.height};
}

constexpr DWORD kForm1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The search box's drop-down list, below the box, in 96-DPI pixels.
constexpr int kDropDownHeight = 200;
constexpr int kTipWidth = 600;
// Hot key ids of the media keys, in the order of kMediaKeys.
constexpr int kFirstHotKey = 1;
constexpr struct {
    UINT vk;
    MediaKey key;
} kMediaKeys[] = {{VK_MEDIA_PLAY_PAUSE, MediaKey::PlayPause},
                  {VK_MEDIA_NEXT_TRACK, MediaKey::Next},
                  {VK_MEDIA_PREV_TRACK, MediaKey::Previous},
                  {VK_MEDIA_STOP, MediaKey::Stop}};

std::optional<MediaKey> AppCommandKey(int command) {
    switch (command) {
        case APPCOMMAND_MEDIA_PLAY_PAUSE:
            return MediaKey::PlayPause;
        case APPCOMMAND_MEDIA_PLAY:
            return MediaKey::Play;
        case APPCOMMAND_MEDIA_PAUSE:
            return MediaKey::Pause;
        case APPCOMMAND_MEDIA_STOP:
            return MediaKey::Stop;
        case APPCOMMAND_MEDIA_NEXTTRACK:
            return MediaKey::Next;
        case APPCOMMAND_MEDIA_PREVIOUSTRACK:
            return MediaKey::Previous;
        default:
            return std::nullopt;
    }
}

bool KeyIsDown(int vk) {
    return GetKeyState(vk) < 0;
}

int ControlId(TextView name) {
    for (size_t i = 0; i < kForm1Layout.size(); ++i) {
        if (kForm1Layout[i].name == name) return kFirstControlId + static_cast<int>(i);
    }
    return 0;
}

UINT MenuBase(const Text& name) {
    if (name == u"Menu") return kMenuBase;
    if (name == u"Mos") return kMosBase;
    return kEndMenuBase;
}

// Points to font height at dpi, as a character height. A fraction of a pixel is dropped: text
// never outgrows the scaled box it was designed for (10.5 points at 120 DPI is 17.5 pixels).
HFONT MakeFont(double points, int weight, int dpi) {
    const int height = -static_cast<int>(points * dpi / 72.0);
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

}  // namespace

Form1::Form1() : menu_(MakeMenu()), mos_(MakeMosMenu()), endMenu_(MakeEndMenu()), tray_(*this) {}

Form1::~Form1() {
    tray_.RemoveTrayIcon();
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

SIZE Form1::FrameSize() const {
    return win::FrameSizeForClient(TwipsToPixels(kForm1ClientWidthTwips, dpi_),
                                   TwipsToPixels(kForm1ClientHeightTwips, dpi_), kForm1Style, 0, dpi_);
}

RECT Form1::PlaceOf(TextView name) const {
    RECT r = PixelsOf(name, dpi_);
    if (name == u"Text1") r.bottom = r.top + ScaleToDpi(kDropDownHeight, dpi_);
    return r;
}

HWND Form1::AddControl(TextView name, const wchar_t* className, const wchar_t* text, DWORD style, HWND parent,
                       int id) {
    const RECT r = PlaceOf(name);
    const HWND control = CreateWindowExW(
        0, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        controls_.emplace_back(Text(name), control);
    }
    return control;
}

void Form1::AddTooltip(HWND control, const wchar_t* text) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool Form1::CreateControls() {
    MakeFonts();
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    // A width makes the tooltip honour the line breaks of the playlist and status bar tips.
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(kTipWidth, dpi_));

    player_.SetEvents(this);
    if (!player_.Create(hwnd(), PlaceOf(u"WindowsMediaPlayer1"), ControlId(u"WindowsMediaPlayer1")))
        return false;
    controls_.emplace_back(u"WindowsMediaPlayer1", player_.hwnd());
    AddTooltip(player_.hwnd(), L"双击全屏显示");

    const HWND progress =
        AddControl(u"ProgressBar1", PROGRESS_CLASSW, nullptr, 0, hwnd(), ControlId(u"ProgressBar1"));
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);

    const HWND slider1 = AddControl(u"Slider1", TRACKBAR_CLASSW, nullptr,
                                    TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS, hwnd(), ControlId(u"Slider1"));
    AddTooltip(slider1, L"播放进度");
    const HWND slider2 = AddControl(u"Slider2", TRACKBAR_CLASSW, nullptr,
                                    TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS, hwnd(), ControlId(u"Slider2"));
    SendMessageW(slider2, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageW(slider2, TBM_SETTICFREQ, 10, 0);
    SendMessageW(slider2, TBM_SETPOS, TRUE, 60);
    AddTooltip(slider2, L"音量调节");

    AddControl(u"Command2", WC_BUTTONW, L":-", BS_PUSHBUTTON, hwnd(), ControlId(u"Command2"));

    // The drop-down list opens below the box; the box itself keeps its designed height.
    const HWND combo =
        AddControl(u"Text1", WC_COMBOBOXW, nullptr, WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                   hwnd(), ControlId(u"Text1"));
    SetBoxHeight();
    SetWindowTextW(combo, L"搜索歌曲");
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    if (GetComboBoxInfo(combo, &parts) && parts.hwndItem) {
        SetWindowSubclass(parts.hwndItem, &Form1::Text1Hook, 1, reinterpret_cast<DWORD_PTR>(this));
    }

    if (!frame1_.Create(hwnd(), PlaceOf(u"Frame1"), ControlId(u"Frame1"))) return false;
    const HWND frame = frame1_.hwnd();
    controls_.emplace_back(u"Frame1", frame);
    const HWND label =
        AddControl(u"Label1", WC_STATICW, L"暂无歌词显示", SS_LEFT | SS_NOTIFY, frame, ControlId(u"Label1"));
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);

    const RECT list = PlaceOf(u"QMListBox1");
    if (!QMListBox1_.Create(hwnd(), list.left, list.top, list.right - list.left, list.bottom - list.top,
                            StoredProperties(L"QMLISTBOX1"))) {
        return false;
    }
    QMListBox1_.SetEvents(this);
    controls_.emplace_back(u"QMListBox1", QMListBox1_.hwnd());

    const HWND status =
        AddControl(u"StatusBar1", STATUSCLASSNAMEW, nullptr, CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                   hwnd(), ControlId(u"StatusBar1"));
    SetPanelEdges();
    AddTooltip(status, L"");
    AddTooltip(QMListBox1_.hwnd(), L"");

    AddControl(u"List1", WC_LISTBOXW, nullptr, WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, hwnd(),
               ControlId(u"List1"));
    AddControl(u"Option1", WC_BUTTONW, L"单曲播放", BS_AUTORADIOBUTTON | WS_GROUP, hwnd(),
               ControlId(u"Option1"));
    AddControl(u"Option2", WC_BUTTONW, L"列表循环", BS_AUTORADIOBUTTON, hwnd(), ControlId(u"Option2"));
    AddControl(u"Option3", WC_BUTTONW, L"随机播放", BS_AUTORADIOBUTTON, hwnd(), ControlId(u"Option3"));
    // The download browser's place; the download itself comes with the song link window.
    AddControl(u"WebBrowser1", WC_STATICW, nullptr, 0, hwnd(), ControlId(u"WebBrowser1"));

    SetTimer(hwnd(), kTimer2, 1000, nullptr);
    SetTimer3(true);
    SetTimer(hwnd(), kTimer4, kDisplayTickMillis, nullptr);
    WatchPointer();
    return true;
}

void Form1::MakeFonts() {
    font_.reset(MakeFont(9, FW_NORMAL, dpi_));
    labelFont_.reset(MakeFont(10.5, FW_BOLD, dpi_));
}

// The box keeps its designed height: the edit's item height is the box less its frame.
void Form1::SetBoxHeight() {
    const RECT box = PixelsOf(u"Text1", dpi_);
    SendMessageW(control(u"Text1"), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                 (box.bottom - box.top) - ScaleToDpi(6, dpi_));
}

void Form1::SetPanelEdges() {
    const int panel1 = TwipsToPixels(kPanel1Twips, dpi_);
    int edges[2] = {panel1, panel1 + TwipsToPixels(kPanel2Twips, dpi_)};
    SendMessageW(control(u"StatusBar1"), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
}

// Everything placed and sized again at the window's DPI: the controls from their twips, the
// fonts, and the playlist's own pixel metrics.
void Form1::LayOut() {
    // The controls let go of the old fonts before they are deleted, at the end.
    const win::ScopedFont oldFont = std::move(font_);
    const win::ScopedFont oldLabelFont = std::move(labelFont_);
    MakeFonts();
    QMListBox1_.SetDpi(dpi_);
    for (const auto& [name, handle] : controls_) {
        const RECT r = PlaceOf(name);
        if (name != u"WindowsMediaPlayer1" && name != u"QMListBox1" && name != u"Frame1") {
            const HFONT font = name == u"Label1" ? labelFont_.get() : font_.get();
            SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        MoveWindow(handle, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    SetBoxHeight();
    SetPanelEdges();
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(kTipWidth, dpi_));
    InvalidateRect(hwnd(), nullptr, TRUE);
}

// The window moves to a monitor of another DPI (or the user changes the scale): it takes the size
// the system suggests and lays itself out again.
void Form1::DpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
    FitClientArea();
}

// The client area is the twips at the window's DPI, whatever frame the system draws around it.
void Form1::FitClientArea() {
    const int width = TwipsToPixels(kForm1ClientWidthTwips, dpi_);
    const int height = TwipsToPixels(kForm1ClientHeightTwips, dpi_);
    // In the tray the window has no client area; it is fitted when it comes back (WM_SIZE).
    if (IsIconic(hwnd())) return;
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd(), &window);
    GetClientRect(hwnd(), &client);
    if (fitting_ || (client.right == width && client.bottom == height)) return;
    // The size message of this move comes back here; one correction is enough.
    fitting_ = true;
    SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left + width - client.right,
                 window.bottom - window.top + height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitting_ = false;
}

// The media keys reach the window even while it is in the background or hidden in the tray. A key
// another program holds already comes through WM_APPCOMMAND while the window has the focus.
void Form1::RegisterMediaKeys() {
    for (size_t i = 0; i < std::size(kMediaKeys); ++i) {
        RegisterHotKey(hwnd(), kFirstHotKey + static_cast<int>(i), 0, kMediaKeys[i].vk);
    }
}

void Form1::MediaKeyPressed(MediaKey key) {
    const MenuItem* pause = endMenu_.Find(u"zant");
    const auto command = MediaKeyCommand(key, pause ? pause->caption : Text());
    if (command) RunCommand(*command);
}

void Form1::FocusSearchBox() {
    const HWND box = control(u"Text1");
    SetFocus(box);
    SendMessageW(box, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

// Tab order: the search box, the playlist, the progress slider, the volume slider.
void Form1::MoveFocus(HWND from, bool backwards) {
    const HWND order[] = {control(u"Text1"), QMListBox1_.hwnd(), control(u"Slider1"), control(u"Slider2")};
    constexpr int count = static_cast<int>(std::size(order));
    int at = 0;
    for (int i = 0; i < count; ++i) {
        if (from == order[i] || IsChild(order[i], from)) at = i;
    }
    SetFocus(order[(at + (backwards ? count - 1 : 1)) % count]);
}

bool Form1::PreTranslateMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)) return false;
    // An open drop-down list keeps its own keys.
    if (SendMessageW(control(u"Text1"), CB_GETDROPPEDSTATE, 0, 0)) return false;
    const bool ctrl = KeyIsDown(VK_CONTROL);
    if (msg.wParam == VK_F3 || (msg.wParam == 'F' && ctrl)) {
        FocusSearchBox();
        return true;
    }
    if (msg.wParam == VK_TAB && !ctrl && msg.message == WM_KEYDOWN) {
        MoveFocus(msg.hwnd, KeyIsDown(VK_SHIFT));
        return true;
    }
    return false;
}

// Keys in the playlist that act on its selected entry as the mouse and the playlist menu do.
void Form1::KeyDown(int16_t& KeyCode, int16_t Shift) {
    const int16_t selected = QMListBox1_.Model().ListIndex();
    const bool onEntry = selected >= 0 && selected < QMListBox1_.ListCount();
    if (KeyCode == VK_RETURN && onEntry && commands_) {
        commands_->PlayEntryAt(selected);
    } else if (KeyCode == VK_DELETE && onEntry) {
        state_.MenuIndex = selected;
        RunCommand(u"DEL");
    } else if ((KeyCode == VK_APPS || (KeyCode == VK_F10 && (Shift & 1))) && QMListBox1_.ListCount() > 0) {
        OpenPlaylistMenuAtSelection();
    } else {
        return;
    }
    KeyCode = 0;
}

// The playlist menu from the keyboard opens at the selected row (or the list's top) on MenuIndex.
void Form1::OpenPlaylistMenuAtSelection() {
    const auto& model = QMListBox1_.Model();
    const int16_t selected = model.ListIndex();
    const bool shown = selected >= model.FirstIndex() && selected < model.BottomIndex();
    state_.MenuIndex = selected;
    POINT at{model.BorderPixels() + model.NumberWidth(),
             model.BorderPixels() + (shown ? selected - model.FirstIndex() + 1 : 1) * model.RowPitch()};
    ClientToScreen(QMListBox1_.hwnd(), &at);
    OpenPopupAt(menu_, at);
}

HWND Form1::control(TextView name) const {
    for (const auto& [controlName, handle] : controls_) {
        if (controlName == name) return handle;
    }
    return nullptr;
}

MenuModel& Form1::menu(TextView name) {
    if (name == u"Menu") return menu_;
    if (name == u"Mos") return mos_;
    return endMenu_;
}

Text Form1::Caption() const {
    return win::WindowText(hwnd());
}

// Start-up. The search target is set when the window is created, and again when it loads.
void Form1::Form_Initialize() {
    searchState_.SearchTarget = site::TargetPlaylist;
}

void Form1::Form_Load() {
    // The docking hook goes on first, before the tray's.
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
    SendMessageW(control(u"ProgressBar1"), PBM_SETPOS, 100, 0);
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

void Form1::Command2_Click() {
    OpenPopup(mos_);
}

void Form1::QMListBox1_MouseUp(int16_t Button, double X, double Y) {
    if (Button != 2 || QMListBox1_.ListCount() < 1) return;
    state_.MenuIndex = QMListBox1_.IndexFromPoint(X, Y);
    OpenPopup(menu_);
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

// Enter searches, Backspace empties the whole box.
void Form1::Text1_KeyPress(wchar_t KeyAscii) {
    const HWND box = control(u"Text1");
    if (KeyAscii == 8) {
        SetWindowTextW(box, L"");
        SetFocus(box);
        return;
    }
    if (KeyAscii != 13) return;
    searchState_.SearchPage = 1;
    searchState_.SearchTarget = site::TargetResults;
    const Text words = ControlText(u"Text1");
    // Entries compare case-sensitively, so the history keeps texts that differ only in case.
    bool present = false;
    const auto count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && !present; ++i) present = HistoryEntry(i) == words;
    if (!present) SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Wide(words).c_str()));
    if (commands_) commands_->SearchFromBox(words);
}

// Completes the typed text from the history: the first entry it begins (as a wildcard pattern).
void Form1::Text1_Change() {
    if (completing_) return;
    const HWND box = control(u"Text1");
    const Text typed = ControlText(u"Text1");
    if (typed.find_first_not_of(u' ') == Text::npos) return;
    const auto count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const Text entry = HistoryEntry(i);
        if (!LikePattern(entry, typed + u"*")) continue;
        completing_ = true;
        SetWindowTextW(box, win::Wide(entry).c_str());
        completing_ = false;
        SendMessageW(box, CB_SETEDITSEL, 0, MAKELPARAM(typed.size(), entry.size()));
        return;
    }
}

Text Form1::HistoryEntry(LRESULT i) const {
    const HWND box = control(u"Text1");
    const auto length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) return {};
    std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<size_t>(length));
    return Text(entry.begin(), entry.end());
}

LRESULT CALLBACK Form1::Text1Hook(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                  DWORD_PTR self) noexcept {
    try {
        if (msg == WM_CHAR && (wp == 13 || wp == 8)) {
            reinterpret_cast<Form1*>(self)->Text1_KeyPress(static_cast<wchar_t>(wp));
            return 0;  // handled: no beep, no half-erased text
        }
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
        return 0;
    }
    return DefSubclassProc(edit, msg, wp, lp);
}

// A click on the progress slider seeks there and plays on.
void Form1::Slider1_Click() {
    const HWND slider = control(u"Slider1");
    SendMessageW(slider, TBM_SETRANGEMAX, TRUE, static_cast<LPARAM>(std::nearbyint(player_.duration())));
    player_.SetCurrentPosition(static_cast<double>(SendMessageW(slider, TBM_GETPOS, 0, 0)));
    player_.play();
    SetTimer3(true);
}

void Form1::StatusBar1_MouseMove() {
    SetControlTip(u"StatusBar1", PanelText(1) + u"  \r\n" + PanelText(2));
}

void Form1::SetPanelText(int panel, TextView text) {
    SendMessageW(control(u"StatusBar1"), SB_SETTEXTW, static_cast<WPARAM>(panel - 1),
                 reinterpret_cast<LPARAM>(win::Wide(text).c_str()));
}

Text Form1::PanelText(int panel) const {
    const HWND status = control(u"StatusBar1");
    const auto length = LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel - 1), 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(status, SB_GETTEXTW, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return Text(text.begin(), text.end());
}

void Form1::SetControlText(TextView name, TextView text) {
    SetWindowTextW(control(name), win::Wide(text).c_str());
}

Text Form1::ControlText(TextView name) const {
    return win::WindowText(control(name));
}

void Form1::SetControlTip(TextView name, TextView text) {
    if (!tooltip_) return;
    const std::wstring wide = win::Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(control(name));
    tool.lpszText = const_cast<wchar_t*>(wide.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Form1::SetPlayMode(PlayMode mode) {
    state_.Mode = mode;
    const HWND option = control(mode == PlayMode::SingleRepeat ? u"Option1"
                                : mode == PlayMode::ListLoop   ? u"Option2"
                                                               : u"Option3");
    for (const char16_t* name : {u"Option1", u"Option2", u"Option3"}) {
        SendMessageW(control(name), BM_SETCHECK, control(name) == option ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    const char16_t* chosen = mode == PlayMode::SingleRepeat ? u"Ones"
                             : mode == PlayMode::ListLoop   ? u"Lists"
                                                            : u"suiji";
    for (const char16_t* name : {u"Ones", u"Lists", u"suiji"}) {
        if (TextView(name) != chosen) mos_.SetChecked(name, false);
    }
    mos_.SetChecked(chosen, true);
}

void Form1::SetShowsVisible(bool visible) {
    endMenu_.SetVisible(u"shows", visible);
    endMenu_.SetVisible(u"dw", visible);
}

void Form1::shows_Click() {
    if (IsIconic(hwnd())) {
        ShowWindow(hwnd(), SW_RESTORE);
        ShowWindow(hwnd(), SW_SHOW);
        return;
    }
    SetShowsVisible(false);
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
}

// Exit ends the process at once: no close or unload handling runs.
void Form1::ends_Click() {
    StopPlayerForExit(state_, player_);
    tray_.RemoveTrayIcon();
    TerminateProcess(GetCurrentProcess(), 0);
}

HMENU Form1::BuildPopup(const MenuModel& menu) const {
    const HMENU popup = CreatePopupMenu();
    const UINT base = MenuBase(menu.name());
    const auto& all = menu.items();
    for (size_t i = 0; i < all.size(); ++i) {
        const MenuItem& item = all[i];
        if (!item.visible) continue;
        if (item.caption == u"-") {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(popup, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), base + i,
                    win::Wide(item.caption).c_str());
    }
    return popup;
}

void Form1::OpenPopup(const MenuModel& menu) {
    POINT at{};
    GetCursorPos(&at);
    OpenPopupAt(menu, at);
}

void Form1::OpenPopupAt(const MenuModel& menu, POINT at) {
    const HMENU popup = BuildPopup(menu);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd(), nullptr));
    DestroyMenu(popup);
    // Lets the menu of a tray icon close when the user clicks elsewhere next time.
    PostMessageW(hwnd(), WM_NULL, 0, 0);
    if (chosen == 0) return;
    const UINT base = MenuBase(menu.name());
    if (chosen < base || chosen - base >= menu.items().size()) return;
    RunCommand(menu.items()[chosen - base].name);
}

void Form1::OpenEndMenu() {
    OpenPopup(endMenu_);
}

void Form1::RunCommand(TextView name) {
    if (name == u"shows") return shows_Click();
    if (name == u"ends") return ends_Click();
    if (name == u"Ones") return SetPlayMode(PlayMode::SingleRepeat);
    if (name == u"Lists") return SetPlayMode(PlayMode::ListLoop);
    if (name == u"suiji") return SetPlayMode(PlayMode::Random);
    if (!commands_) return;
    if (name == u"Pla") return commands_->Pla();
    if (name == u"Dolown") return commands_->Dolown();
    if (name == u"se360") return commands_->se360();
    if (name == u"DEL") return commands_->DEL();
    if (name == u"Cles") return commands_->Cles();
    if (name == u"zant") return commands_->zant();
    if (name == u"UP") return commands_->UP();
    if (name == u"Next") return commands_->Next();
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
// can drag the thumb, and runs again once the pointer is over another part of the window.
void Form1::SetTimer3(bool on) {
    timer3On_ = on;
    if (on) {
        SetTimer(hwnd(), kTimer3, kDisplayTickMillis, nullptr);
    } else {
        KillTimer(hwnd(), kTimer3);
    }
}

void Form1::ControlMouseMove(TextView name) {
    if (name == u"StatusBar1") return StatusBar1_MouseMove();
    if (name == u"Slider1") return SetTimer3(false);
    SetTimer3(true);
}

LRESULT CALLBACK Form1::ControlHook(HWND control, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR self) noexcept {
    try {
        auto* form = reinterpret_cast<Form1*>(self);
        if (msg == WM_MOUSEMOVE) {
            for (const auto& [name, handle] : form->controls_) {
                if (handle == control) form->ControlMouseMove(name);
            }
        }
        if (msg == WM_LBUTTONUP && control == form->control(u"Slider1")) {
            // The slider takes its final position first.
            const LRESULT result = DefSubclassProc(control, msg, wp, lp);
            form->Slider1_Click();
            return result;
        }
    } catch (...) {
        // The control still gets its message.
        MULAN_REPORT_EXCEPTION();
    }
    return DefSubclassProc(control, msg, wp, lp);
}

void Form1::WatchPointer() {
    for (const char16_t* name : {u"Frame1", u"Label1", u"Command2", u"ProgressBar1", u"Slider1", u"Slider2",
                                 u"QMListBox1", u"StatusBar1"}) {
        SetWindowSubclass(control(name), &Form1::ControlHook, 1, reinterpret_cast<DWORD_PTR>(this));
    }
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
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
            if (wp == kTimer3) Timer3_Timer();
            if (wp == kTimer4) Timer4_Timer();
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
        case win::kWmDpiChanged:
            DpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_HOTKEY: {
            const auto i = static_cast<size_t>(static_cast<int>(wp) - kFirstHotKey);
            if (i < std::size(kMediaKeys)) MediaKeyPressed(kMediaKeys[i].key);
            return 0;
        }
        case WM_APPCOMMAND:
            if (const auto key = AppCommandKey(GET_APPCOMMAND_LPARAM(lp))) {
                MediaKeyPressed(*key);
                return TRUE;
            }
            return Default(msg, wp, lp);
        case WM_COMMAND:
            if (LOWORD(wp) == ControlId(u"Command2") && HIWORD(wp) == BN_CLICKED) Command2_Click();
            // Focus entering the search box.
            if (LOWORD(wp) == ControlId(u"Text1") && HIWORD(wp) == CBN_SETFOCUS) SetTimer3(true);
            if (LOWORD(wp) == ControlId(u"Text1") && HIWORD(wp) == CBN_EDITCHANGE) Text1_Change();
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app::ui
