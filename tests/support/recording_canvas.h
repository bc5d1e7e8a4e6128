#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "base/canvas.h"

namespace mulan::testing {

// Records drawing calls as readable lines. Text is 8 pixels a character and 12 high, like a small
// fixed-width font, so expected coordinates can be worked out by hand.
class RecordingCanvas : public Canvas {
  public:
    std::vector<std::string> calls;
    int32_t charWidth = 8;
    int32_t textHeight = 12;
    bool iconWorks = true;

    void FillRect(const Rect& r, Colour c) override { Add("fill", r, c); }
    void SetTextColour(Colour c) override { calls.push_back("colour " + Hex(c)); }
    void DrawText(TextView text, const Rect& r, TextAlign align) override {
        Add(std::string(align == TextAlign::Center ? "text-c \"" : "text-l \"") + TextToUtf8(text) + "\"", r);
    }
    int32_t TextWidth(TextView text) override { return charWidth * static_cast<int32_t>(text.size()); }
    int32_t TextHeight(TextView) override { return textHeight; }
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour c, int32_t pen) override {
        Add("line pen " + std::to_string(pen), Rect{x1, y1, x2, y2}, c);
    }
    void RectOutline(const Rect& r, Colour c, int32_t pen) override {
        Add("box pen " + std::to_string(pen), r, c);
    }
    void FocusRect(const Rect& r) override { Add("focus", r); }
    bool DrawIcon(std::span<const uint8_t> image, int32_t w, int32_t h, int32_t x, int32_t y) override {
        calls.push_back("icon " + std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(x) +
                        "," + std::to_string(y) + " bytes " + std::to_string(image.size()));
        return iconWorks;
    }

    static std::string Hex(Colour c) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%06X", static_cast<unsigned>(c));
        return buffer;
    }

  private:
    void Add(const std::string& what, const Rect& r, Colour c) { Add(what, r, " " + Hex(c)); }
    void Add(const std::string& what, const Rect& r, const std::string& tail = "") {
        calls.push_back(what + " " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                        std::to_string(r.right) + "," + std::to_string(r.bottom) + tail);
    }
};

}  // namespace mulan::testing
