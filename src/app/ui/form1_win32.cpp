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
// Command ids of the popup menus: a menu's base adds the item's index.
constexpr UINT kMenuIdSpan = 1000;

RECT PixelsOf(Form1Control control, int dpi) {
    const PixelRect r = ToPixels(Form1Placement(control), dpi);
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

int ControlId(Form1Control control) {
    return kFirstControlId + static_cast<int>(control);
}

// Each menu's items take ids from their own thousand: 1000 for Menu, 2000 for Mos, 3000 for EndMenu.
UINT MenuBase(MenuId id) {
    return kMenuIdSpan * (1 + static_cast<UINT>(id));
}

// Points to font height at dpi, as a character height. A fraction of a pixel is dropped: text
// never outgrows the scaled box it was designed for (10.5 points at 120 DPI is 17.5 pixels).
HFONT MakeFont(double points, int weight, int dpi) {
    const int height = -static_cast<int>(points * dpi / 72.0);
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
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

SIZE Form1::FrameSize() const {
    return win::FrameSizeForClient(TwipsToPixels(kForm1ClientWidthTwips, dpi_),
                                   TwipsToPixels(kForm1ClientHeightTwips, dpi_), kForm1Style, 0, dpi_);
}

RECT Form1::PlaceOf(Form1Control control) const {
    RECT r = PixelsOf(control, dpi_);
    if (control == Form1Control::Text1) r.bottom = r.top + ScaleToDpi(kDropDownHeight, dpi_);
    return r;
}

HWND Form1::ControlWindow(Form1Control control) const {
    switch (control) {
        case Form1Control::WindowsMediaPlayer1:
            return player_.hwnd();
        case Form1Control::ProgressBar1:
            return ProgressBar1_.hwnd();
        case Form1Control::Slider1:
            return Slider1_.hwnd();
        case Form1Control::Slider2:
            return Slider2_.hwnd();
        case Form1Control::Command2:
            return Command2_.hwnd();
        case Form1Control::Text1:
            return Text1_.hwnd();
        case Form1Control::Frame1:
            return Frame1_.hwnd();
        case Form1Control::Label1:
            return Label1_.hwnd();
        case Form1Control::QMListBox1:
            return QMListBox1_.hwnd();
        case Form1Control::StatusBar1:
            return StatusBar1_.hwnd();
        case Form1Control::List1:
            return List1_.hwnd();
        case Form1Control::Option1:
            return Option1_.hwnd();
        case Form1Control::Option2:
            return Option2_.hwnd();
        case Form1Control::Option3:
            return Option3_.hwnd();
        case Form1Control::WebBrowser1:
            return WebBrowser1_.hwnd();
    }
    return nullptr;
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
    using C = Form1Control;
    if (!player_.Create(hwnd(), PlaceOf(C::WindowsMediaPlayer1), ControlId(C::WindowsMediaPlayer1)))
        return false;
    AddTooltip(player_.hwnd(), L"双击全屏显示");

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
    AddTooltip(StatusBar1_.hwnd(), L"");
    AddTooltip(QMListBox1_.hwnd(), L"");
    if (!CreateStateHolders()) return false;
    ApplyFonts();
    WireEvents();

    SetTimer(hwnd(), kTimer2, 1000, nullptr);
    SetTimer3(true);
    SetTimer(hwnd(), kTimer4, kDisplayTickMillis, nullptr);
    return true;
}

bool Form1::CreateSliders() {
    using C = Form1Control;
    constexpr DWORD style = TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS;
    if (!Slider1_.Create(style, PlaceOf(C::Slider1), hwnd(), ControlId(C::Slider1))) return false;
    AddTooltip(Slider1_.hwnd(), L"播放进度");
    if (!Slider2_.Create(style, PlaceOf(C::Slider2), hwnd(), ControlId(C::Slider2))) return false;
    Slider2_.SetRange(0, 100);
    Slider2_.SetTicFrequency(10);
    Slider2_.SetPos(60);
    AddTooltip(Slider2_.hwnd(), L"音量调节");
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

void Form1::MakeFonts() {
    font_.reset(MakeFont(9, FW_NORMAL, dpi_));
    labelFont_.reset(MakeFont(10.5, FW_BOLD, dpi_));
}

// The fonts of the window's DPI to every control that draws text of the system's classes.
void Form1::ApplyFonts() {
    for (const window::Control* control : std::initializer_list<const window::Control*>{
             &ProgressBar1_, &Slider1_, &Slider2_, &Command2_, &Text1_, &StatusBar1_, &List1_, &Option1_,
             &Option2_, &Option3_, &WebBrowser1_}) {
        control->SetFont(font_.get());
    }
    Label1_.SetFont(labelFont_.get());
    // A new font sizes the search box again.
    SetBoxHeight();
}

// The box keeps its designed height: the edit's item height is the box less its frame.
void Form1::SetBoxHeight() {
    const RECT box = PixelsOf(Form1Control::Text1, dpi_);
    Text1_.SetFieldHeight((box.bottom - box.top) - ScaleToDpi(6, dpi_));
}

void Form1::SetPanelEdges() {
    const int panel1 = TwipsToPixels(kPanel1Twips, dpi_);
    const int edges[2] = {panel1, panel1 + TwipsToPixels(kPanel2Twips, dpi_)};
    StatusBar1_.SetParts(edges);
}

// Everything placed and sized again at the window's DPI: the controls from their twips, the
// fonts, and the playlist's own pixel metrics.
void Form1::LayOut() {
    // The controls let go of the old fonts before they are deleted, at the end.
    const win::ScopedFont oldFont = std::move(font_);
    const win::ScopedFont oldLabelFont = std::move(labelFont_);
    MakeFonts();
    QMListBox1_.SetDpi(dpi_);
    ApplyFonts();
    for (const ControlPlacement& placement : kForm1Layout) {
        const RECT r = PlaceOf(ControlOf(placement));
        // A player covering the screen stays there, and comes back to its new place.
        if (ControlOf(placement) == Form1Control::WindowsMediaPlayer1) {
            player_.Place(r);
            continue;
        }
        MoveWindow(ControlWindow(ControlOf(placement)), r.left, r.top, r.right - r.left, r.bottom - r.top,
                   TRUE);
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
    const MenuItem* pause = endMenu_.Find(Command::zant);
    const auto command = MediaKeyCommand(key, pause ? pause->caption : Text());
    if (command) RunCommand(*command);
}

void Form1::FocusSearchBox() {
    SetFocus(Text1_.hwnd());
    Text1_.SelectText(0, -1);
}

// Tab order: the search box, the playlist, the progress slider, the volume slider.
void Form1::MoveFocus(HWND from, bool backwards) {
    const HWND order[] = {Text1_.hwnd(), QMListBox1_.hwnd(), Slider1_.hwnd(), Slider2_.hwnd()};
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
    if (Text1_.DroppedDown()) return false;
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
        RunCommand(Command::DEL);
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

MenuModel& Form1::menu(MenuId id) {
    switch (id) {
        case MenuId::Menu:
            return menu_;
        case MenuId::Mos:
            return mos_;
        case MenuId::EndMenu:
            break;
    }
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

// Enter searches, Backspace empties the whole box. True when the key is used up: no beep, no
// half-erased text.
bool Form1::Text1_KeyPress(wchar_t KeyAscii) {
    if (KeyAscii == 8) {
        Text1_.SetText(u"");
        SetFocus(Text1_.hwnd());
        return true;
    }
    if (KeyAscii != 13) return false;
    searchState_.SearchPage = 1;
    searchState_.SearchTarget = site::TargetResults;
    const Text words = Text1_.GetText();
    // Entries compare case-sensitively, so the history keeps texts that differ only in case.
    bool present = false;
    const int count = Text1_.Count();
    for (int i = 0; i < count && !present; ++i) present = Text1_.Entry(i) == words;
    if (!present) Text1_.Add(words);
    if (commands_) commands_->SearchFromBox(words);
    return true;
}

// Completes the typed text from the history: the first entry it begins (as a wildcard pattern).
void Form1::Text1_Change() {
    if (completing_) return;
    const Text typed = Text1_.GetText();
    if (typed.find_first_not_of(u' ') == Text::npos) return;
    const int count = Text1_.Count();
    for (int i = 0; i < count; ++i) {
        const Text entry = Text1_.Entry(i);
        if (!LikePattern(entry, typed + u"*")) continue;
        completing_ = true;
        Text1_.SetText(entry);
        completing_ = false;
        Text1_.SelectText(static_cast<int>(typed.size()), static_cast<int>(entry.size()));
        return;
    }
}

// A click on the progress slider seeks there and plays on.
void Form1::Slider1_Click() {
    Slider1_.SetRangeMax(static_cast<int>(std::nearbyint(player_.duration())));
    player_.SetCurrentPosition(static_cast<double>(Slider1_.Pos()));
    player_.play();
    SetTimer3(true);
}

void Form1::StatusBar1_MouseMove() {
    SetTip(StatusBar1_.hwnd(), StatusBar1_.PanelText(1) + u"  \r\n" + StatusBar1_.PanelText(2));
}

void Form1::SetPlaylistTip(TextView text) {
    SetTip(QMListBox1_.hwnd(), text);
}

void Form1::SetTip(HWND control, TextView text) {
    if (!tooltip_) return;
    const std::wstring wide = win::Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(wide.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The mode shows on its option button and as the one checked item of the Mos menu.
void Form1::SetPlayMode(PlayMode mode) {
    state_.Mode = mode;
    const struct {
        PlayMode mode;
        const window::Button& option;
        Command item;
    } modes[] = {{PlayMode::SingleRepeat, Option1_, Command::Ones},
                 {PlayMode::ListLoop, Option2_, Command::Lists},
                 {PlayMode::Random, Option3_, Command::suiji}};
    for (const auto& m : modes) {
        m.option.SetChecked(m.mode == mode);
        mos_.SetChecked(m.item, m.mode == mode);
    }
}

void Form1::SetShowsVisible(bool visible) {
    endMenu_.SetVisible(Command::shows, visible);
    endMenu_.SetSeparatorAfterVisible(Command::shows, visible);
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

// Exit ends the process at once: no close or unload handling runs, and nothing is left behind.
void Form1::ends_Click() {
    if (commands_) commands_->BeforeExit();
    StopPlayerForExit(state_, player_);
    tray_.RemoveTrayIcon();
    TerminateProcess(GetCurrentProcess(), 0);
}

HMENU Form1::BuildPopup(const MenuModel& menu) const {
    const HMENU popup = CreatePopupMenu();
    const UINT base = MenuBase(menu.id());
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
    const UINT base = MenuBase(menu.id());
    if (chosen < base || chosen - base >= menu.items().size()) return;
    RunCommand(menu.items()[chosen - base].command);
}

void Form1::OpenEndMenu() {
    OpenPopup(endMenu_);
}

void Form1::RunCommand(Command command) {
    switch (command) {
        case Command::shows:
            return shows_Click();
        case Command::ends:
            return ends_Click();
        case Command::Ones:
            return SetPlayMode(PlayMode::SingleRepeat);
        case Command::Lists:
            return SetPlayMode(PlayMode::ListLoop);
        case Command::suiji:
            return SetPlayMode(PlayMode::Random);
        case Command::None:
            return;
        default:
            break;
    }
    if (!commands_) return;
    switch (command) {
        case Command::Pla:
            return commands_->Pla();
        case Command::Dolown:
            return commands_->Dolown();
        case Command::se360:
            return commands_->se360();
        case Command::DEL:
            return commands_->DEL();
        case Command::Cles:
            return commands_->Cles();
        case Command::zant:
            return commands_->zant();
        case Command::UP:
            return commands_->UP();
        case Command::Next:
            return commands_->Next();
        default:
            return;
    }
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
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app::ui
