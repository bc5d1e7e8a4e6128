#pragma once

#include <array>
#include <cstdint>

#include "base/text.h"

namespace mulan::app {

// A control's place in twips (15 to a pixel at 96 DPI), relative to its container.
struct ControlPlacement {
    TextView name;
    int32_t left, top, width, height;
};

struct PixelRect {
    int32_t left, top, width, height;
    bool operator==(const PixelRect&) const = default;
};

// The main window's controls, in the order of the layout below.
enum class Form1Control : uint8_t {
    WindowsMediaPlayer1,
    ProgressBar1,
    Slider1,
    Slider2,
    Command2,
    Text1,
    Frame1,
    Label1,
    QMListBox1,
    StatusBar1,
    List1,
    Option1,
    Option2,
    Option3,
    WebBrowser1,
};

inline constexpr int32_t kForm1ClientWidthTwips = 4710;
inline constexpr int32_t kForm1ClientHeightTwips = 7350;

// Twips to pixels at dpi (96 unless given), halves to the even neighbour.
int32_t TwipsToPixels(int32_t twips, int32_t dpi = 96);
PixelRect ToPixels(const ControlPlacement& placement, int32_t dpi = 96);

// The main window's controls as designed. Label1's place is inside Frame1; the state holders lie
// outside the client area and are never seen.
inline constexpr std::array<ControlPlacement, 15> kForm1Layout{{
    {u"WindowsMediaPlayer1", 0, 0, 2340, 820},
    {u"ProgressBar1", 2340, 0, 2365, 375},
    {u"Slider1", 2400, 360, 2295, 375},
    {u"Slider2", 2400, 720, 1845, 375},
    {u"Command2", 4270, 740, 375, 255},
    {u"Text1", 0, 840, 2415, 300},
    {u"Frame1", 0, 1160, 4695, 495},
    {u"Label1", 1560, 180, 1350, 210},
    {u"QMListBox1", 0, 1680, 4695, 5415},
    {u"StatusBar1", 0, 7095, 4710, 255},
    {u"List1", 8520, 2640, 1575, 1860},
    {u"Option1", 9600, 6000, 1095, 255},
    {u"Option2", 9600, 6480, 1095, 255},
    {u"Option3", 9600, 6240, 1215, 255},
    {u"WebBrowser1", 9240, 120, 1215, 855},
}};

constexpr const ControlPlacement& Form1Placement(Form1Control control) {
    return kForm1Layout[static_cast<size_t>(control)];
}
// The control a row of kForm1Layout places (the row must be one of the table's own).
inline Form1Control ControlOf(const ControlPlacement& placement) {
    return static_cast<Form1Control>(&placement - kForm1Layout.data());
}
static_assert(Form1Placement(Form1Control::Label1).name == u"Label1");
static_assert(Form1Placement(Form1Control::WebBrowser1).name == u"WebBrowser1");

}  // namespace mulan::app
