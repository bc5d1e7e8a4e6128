#pragma once

#include <cstdint>

#include "base/canvas.h"
#include "base/text.h"

namespace mulan::playlist {

struct FontSpec {
    Text Name = u"宋体";
    double Size = 9.0;  // points
    int32_t Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The playlist's colours and font. Row height, border and the file check live with the list model,
// whose index arithmetic needs them.
struct PlaylistColours {
    Colour BackColor = 0x00FFFFFF;
    Colour ItemBkColor1 = 0x00FFFFFF;
    Colour ItemBkColor2 = 0x00FAF6EA;
    Colour ItemSelBkColor = 0x00CC9462;
    Colour ItemNorTextColor = 0x008F614C;
    Colour ItemSelTextColor = 0x00FFFFFF;
    Colour ItemPlyTextColor = 0x0012B753;
    Colour ItemErrTextColor = 0x000000FF;
    Colour BorderColor = 0x00C3A378;
};

}  // namespace mulan::playlist
