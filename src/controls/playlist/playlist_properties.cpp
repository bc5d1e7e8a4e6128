#include "controls/playlist/playlist_properties.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "base/decimal_text.h"

namespace mulan::playlist {

namespace {

Text Ascii(const std::string& s) {
    return Text(s.begin(), s.end());
}

std::optional<double> ParseSize(TextView text) {
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7F) return std::nullopt;
        ascii += static_cast<char>(c);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !(value > 0 && value < 1000)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

Text FormatFont(const FontSpec& font) {
    char size[32];
    const auto [end, error] = std::to_chars(size, size + sizeof size, font.Size);
    const std::string sizeText = error == std::errc() ? std::string(size, end) : std::string("9");
    return font.Name + u"," + Ascii(sizeText) + u"," + DecimalText(font.Weight) + u"," +
           (font.Italic ? u"1" : u"0") + u"," + (font.Underline ? u"1" : u"0") + u"," +
           (font.Strikethrough ? u"1" : u"0");
}

std::optional<FontSpec> ParseFont(TextView text) {
    // Five fields from the right; what is left is the name.
    std::array<TextView, 5> fields;
    for (int i = 4; i >= 0; --i) {
        const size_t comma = text.rfind(u',');
        if (comma == TextView::npos) return std::nullopt;
        fields[static_cast<size_t>(i)] = text.substr(comma + 1);
        text = text.substr(0, comma);
    }
    const auto size = ParseSize(fields[0]);
    const auto weight = ParseInteger(fields[1], 0, 1000);
    const auto italic = ParseInteger(fields[2], 0, 1);
    const auto underline = ParseInteger(fields[3], 0, 1);
    const auto strike = ParseInteger(fields[4], 0, 1);
    if (text.empty() || !size || !weight || !italic || !underline || !strike) return std::nullopt;
    return FontSpec{Text(text),   *size,           static_cast<int32_t>(*weight),
                    *italic == 1, *underline == 1, *strike == 1};
}

PlaylistProperties::PlaylistProperties(PlaylistModel& model, PlaylistView& view, PlaylistAppearanceHost& host)
    : model_(model), view_(view), host_(host) {}

void PlaylistProperties::InitNew() {
    const PlaylistColours defaults;
    const Colour back = colours_.BackColor;
    colours_ = defaults;
    colours_.BackColor = back;  // the control keeps its own back colour
    model_.SetItemHeight(18);
    model_.SetBorder(true);
}

void PlaylistProperties::ReadProperties(const PropertyBag& bag) {
    colours_.BackColor = bag.ReadColour(u"BackColor", colours_.BackColor);
    host_.ApplyBackColor(colours_.BackColor);
    if (const auto text = bag.Read(u"Font")) {
        if (const auto font = ParseFont(*text)) font_ = *font;
    }
    host_.ApplyFont(font_);
    model_.StoreAutoCheckError(bag.ReadBool(u"AutoCheckError", model_.AutoCheckError()));
    model_.SetItemHeight(bag.ReadInt(u"ItemHeight", model_.ItemHeight()));
    colours_.ItemBkColor1 = bag.ReadColour(u"ItemBkColor1", colours_.ItemBkColor1);
    colours_.ItemBkColor2 = bag.ReadColour(u"ItemBkColor2", colours_.ItemBkColor2);
    colours_.ItemSelBkColor = bag.ReadColour(u"ItemSelBkColor", colours_.ItemSelBkColor);
    colours_.ItemNorTextColor = bag.ReadColour(u"ItemNorTextColor", colours_.ItemNorTextColor);
    colours_.ItemSelTextColor = bag.ReadColour(u"ItemSelTextColor", colours_.ItemSelTextColor);
    colours_.ItemPlyTextColor = bag.ReadColour(u"ItemPlyTextColor", colours_.ItemPlyTextColor);
    colours_.ItemErrTextColor = bag.ReadColour(u"ItemErrTextColor", colours_.ItemErrTextColor);
    model_.SetBorder(bag.ReadBool(u"Border", model_.Border()));
    colours_.BorderColor = bag.ReadColour(u"BorderColor", colours_.BorderColor);
    model_.SetBorderWidth(static_cast<int16_t>(bag.ReadInt(u"BorderWidth", model_.BorderWidth())));
    host_.MeasureColumns();
    host_.PlaceBar();
}

void PlaylistProperties::WriteProperties(PropertyBag& bag) const {
    bag.WriteInt(u"BackColor", colours_.BackColor);
    bag.Write(u"Font", FormatFont(font_));
    bag.WriteBool(u"AutoCheckError", model_.AutoCheckError());
    bag.WriteInt(u"ItemHeight", model_.ItemHeight());
    bag.WriteInt(u"ItemBkColor1", colours_.ItemBkColor1);
    bag.WriteInt(u"ItemBkColor2", colours_.ItemBkColor2);
    bag.WriteInt(u"ItemSelBkColor", colours_.ItemSelBkColor);
    bag.WriteInt(u"ItemNorTextColor", colours_.ItemNorTextColor);
    bag.WriteInt(u"ItemSelTextColor", colours_.ItemSelTextColor);
    bag.WriteInt(u"ItemPlyTextColor", colours_.ItemPlyTextColor);
    bag.WriteInt(u"ItemErrTextColor", colours_.ItemErrTextColor);
    bag.WriteBool(u"Border", model_.Border());
    bag.WriteInt(u"BorderColor", colours_.BorderColor);
    bag.WriteInt(u"BorderWidth", model_.BorderWidth());
}

void PlaylistProperties::SetBackColor(Colour value) {
    if (value == colours_.BackColor) return;
    colours_.BackColor = value;
    host_.ApplyBackColor(value);
    view_.PropertyChanged(u"BackColor");
    view_.DrawRows();
    host_.MeasureColumns();
}

void PlaylistProperties::SetFont(const FontSpec& value) {
    font_ = value;
    host_.ApplyFont(value);
    view_.PropertyChanged(u"Font");
    host_.MeasureColumns();
    view_.DrawRows();
}

void PlaylistProperties::SetItemHeight(int32_t value) {
    if (value == model_.ItemHeight()) return;
    model_.SetItemHeight(value);
    view_.PropertyChanged(u"ItemHeight");
    view_.UpdateScrollRange();
    view_.Refresh();
}

bool PlaylistProperties::SetColour(Colour& field, Colour value, std::u16string_view name, Repaint repaint) {
    if (field == value) return false;
    field = value;
    view_.PropertyChanged(name);
    switch (repaint) {
        case Repaint::Rows:
            view_.DrawRows();
            break;
        case Repaint::SelectedRow:
            view_.DrawRow(model_.ListIndex());
            break;
        case Repaint::PlayingRow:
            view_.DrawRow(model_.PlayIndex());
            break;
    }
    return true;
}

void PlaylistProperties::SetItemBkColor1(Colour v) {
    SetColour(colours_.ItemBkColor1, v, u"ItemBkColor1", Repaint::Rows);
}
void PlaylistProperties::SetItemBkColor2(Colour v) {
    SetColour(colours_.ItemBkColor2, v, u"ItemBkColor2", Repaint::Rows);
}
void PlaylistProperties::SetItemSelBkColor(Colour v) {
    SetColour(colours_.ItemSelBkColor, v, u"ItemSelBkColor", Repaint::SelectedRow);
}
void PlaylistProperties::SetItemNorTextColor(Colour v) {
    SetColour(colours_.ItemNorTextColor, v, u"ItemNorTextColor", Repaint::Rows);
}
void PlaylistProperties::SetItemSelTextColor(Colour v) {
    SetColour(colours_.ItemSelTextColor, v, u"ItemSelTextColor", Repaint::SelectedRow);
}
void PlaylistProperties::SetItemPlyTextColor(Colour v) {
    SetColour(colours_.ItemPlyTextColor, v, u"ItemPlyTextColor", Repaint::PlayingRow);
}
void PlaylistProperties::SetItemErrTextColor(Colour v) {
    SetColour(colours_.ItemErrTextColor, v, u"ItemErrTextColor", Repaint::Rows);
}

void PlaylistProperties::SetBorder(bool value) {
    if (value == model_.Border()) return;
    model_.SetBorder(value);
    view_.PropertyChanged(u"Border");
    host_.PlaceBar();
    if (value) host_.DrawBorder();
}

void PlaylistProperties::SetBorderColor(Colour value) {
    if (value == colours_.BorderColor) return;
    colours_.BorderColor = value;
    view_.PropertyChanged(u"BorderColor");
    if (model_.Border()) host_.DrawBorder();
}

void PlaylistProperties::SetBorderWidth(int32_t value) {
    const auto narrowed = static_cast<int16_t>(value);
    if (narrowed == model_.BorderWidth()) return;
    model_.SetBorderWidth(narrowed);
    view_.PropertyChanged(u"BorderWidth");
    view_.Refresh();
}

}  // namespace mulan::playlist
