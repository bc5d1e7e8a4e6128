#include "app/ui/form1_win32.h"

#include <algorithm>

#include "app/form1_layout.h"
#include "app/ui/form1_metrics_win32.h"
#include "base/dpi_scale.h"
#include "base/window_dpi_win32.h"

// The main window's layout at its DPI: the controls placed from their twips, the fonts, the frame
// around the client area, and a move to a monitor of another DPI.
namespace mulan::app::ui {

namespace {

// Status bar panels in twips: panel 2 is wider than the window.
constexpr int kPanel1Twips = 1640;
constexpr int kPanel2Twips = 8440;
// The library's panel, and what it leaves of panel 2, in pixels at 96 DPI.
constexpr int kLibraryPanelPixels = 120;
constexpr int kMinPanel2Pixels = 60;
// The search box's drop-down list, below the box, in 96-DPI pixels.
constexpr int kDropDownHeight = 200;
// The least of the playlist a window too tall for its screen keeps, in 96-DPI pixels: a few rows.
constexpr int kFewestListPixels = 120;

RECT PixelsOf(Form1Control control, int dpi) {
    const PixelRect r = ToPixels(Form1Placement(control), dpi);
    return RECT{r.left, r.top, r.left + r.width, r.top + r.height};
}

// Points to font height at dpi, as a character height. A fraction of a pixel is dropped: text
// never outgrows the scaled box it was designed for (10.5 points at 120 DPI is 17.5 pixels).
HFONT MakeFont(double points, int weight, int dpi) {
    const int height = -static_cast<int>(points * dpi / 72.0);
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

}  // namespace

SIZE Form1::FrameSize() const {
    return win::FrameSizeForClient(TwipsToPixels(kForm1ClientWidthTwips, dpi_), ClientHeight(), kForm1Style,
                                   0, dpi_);
}

// The designed height, less what the playlist gave up to fit the screen.
int Form1::ClientHeight() const {
    return TwipsToPixels(kForm1ClientHeightTwips, dpi_) - playlistCut_;
}

RECT Form1::PlaceOf(Form1Control control) const {
    RECT r = PixelsOf(control, dpi_);
    if (control == Form1Control::Text1) r.bottom = r.top + ScaleToDpi(kDropDownHeight, dpi_);
    if (control == Form1Control::QMListBox1) r.bottom -= playlistCut_;
    if (control == Form1Control::StatusBar1) OffsetRect(&r, 0, -playlistCut_);
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
    const int panel2End = panel1 + TwipsToPixels(kPanel2Twips, dpi_);
    if (libraryProgress_.empty()) {
        const int edges[2] = {panel1, panel2End};
        StatusBar1_.SetParts(edges);
        return;
    }
    // Panel 2 reaches beyond the window: while the library works, its panel takes the bar's right
    // end, where it can be seen, and panel 2 ends where it begins.
    RECT bar{};
    GetClientRect(StatusBar1_.hwnd(), &bar);
    const int panel3Start = std::max(panel1 + ScaleToDpi(kMinPanel2Pixels, dpi_),
                                     static_cast<int>(bar.right) - ScaleToDpi(kLibraryPanelPixels, dpi_));
    const int edges[3] = {panel1, std::min(panel2End, panel3Start), -1};
    StatusBar1_.SetParts(edges);
    StatusBar1_.SetPanelText(3, libraryProgress_);
}

void Form1::ShowLibraryProgress(TextView text) {
    if (text == libraryProgress_) return;
    const bool panelChanges = text.empty() != libraryProgress_.empty();
    libraryProgress_ = Text(text);
    if (text.empty()) StatusBar1_.SetPanelText(3, text);
    if (panelChanges) {
        SetPanelEdges();
        return;
    }
    StatusBar1_.SetPanelText(3, text);
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
    tooltip_.SetMaxWidth(ScaleToDpi(kTipWidth, dpi_));
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
    KeepInWorkArea();
}

// The client area is the twips at the window's DPI, whatever frame the system draws around it.
void Form1::FitClientArea() {
    const int width = TwipsToPixels(kForm1ClientWidthTwips, dpi_);
    const int height = ClientHeight();
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

// The whole window stays on its monitor's work area, where the user can reach every part of it: it
// moves first, and only a window taller than the work area shortens its playlist (down to a few
// rows), which grows back to its designed height once there is room again.
void Form1::KeepInWorkArea() {
    if (IsIconic(hwnd())) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT work = monitor.rcWork;
    RECT window{};
    GetWindowRect(hwnd(), &window);
    const int excess = (window.bottom - window.top) - (work.bottom - work.top);
    const RECT list = PixelsOf(Form1Control::QMListBox1, dpi_);
    const int mostCut =
        std::max(0, static_cast<int>(list.bottom - list.top) - ScaleToDpi(kFewestListPixels, dpi_));
    const int cut = std::clamp(playlistCut_ + excess, 0, mostCut);
    if (cut != playlistCut_) {
        playlistCut_ = cut;
        LayOut();
        FitClientArea();
        GetWindowRect(hwnd(), &window);
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const LONG left = std::max(work.left, std::min(window.left, work.right - width));
    const LONG top = std::max(work.top, std::min(window.top, work.bottom - height));
    if (left != window.left || top != window.top) {
        SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace mulan::app::ui
