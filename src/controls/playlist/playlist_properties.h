#pragma once

#include <cstdint>

#include "base/property_bag.h"
#include "controls/playlist/playlist_appearance.h"
#include "controls/playlist/playlist_model.h"
#include "controls/playlist/playlist_view.h"

namespace mulan::playlist {

// What the appearance setters ask of the control beyond painting rows.
class PlaylistAppearanceHost {
  public:
    virtual ~PlaylistAppearanceHost() = default;
    virtual void ApplyBackColor(Colour colour) = 0;
    virtual void ApplyFont(const FontSpec& font) = 0;
    // Measures the number, author and time columns from "000", "AAAAAAAAAAA" and "00:00:00".
    virtual void MeasureColumns() = 0;
    virtual void PlaceBar() = 0;
    virtual void DrawBorder() = 0;
};

// The fourteen persisted appearance properties. A setter acts only when the value changes (the
// font on every assignment) and tells the host which property changed so it can store the set.
class PlaylistProperties {
  public:
    PlaylistProperties(PlaylistModel& model, PlaylistView& view, PlaylistAppearanceHost& host);

    // The values of a control placed on a form for the first time.
    void InitNew();
    // Reads the stored set, taking the current value for a missing key, without setter side effects.
    void ReadProperties(const PropertyBag& bag);
    // Writes every key, in order, with its current value.
    void WriteProperties(PropertyBag& bag) const;

    const PlaylistColours& Colours() const { return colours_; }
    const FontSpec& Font() const { return font_; }

    void SetBackColor(Colour value);
    void SetFont(const FontSpec& value);
    void SetAutoCheckError(bool value) { model_.SetAutoCheckError(value); }
    void SetItemHeight(int32_t value);
    void SetItemBkColor1(Colour value);
    void SetItemBkColor2(Colour value);
    void SetItemSelBkColor(Colour value);
    void SetItemNorTextColor(Colour value);
    void SetItemSelTextColor(Colour value);
    void SetItemPlyTextColor(Colour value);
    void SetItemErrTextColor(Colour value);
    void SetBorder(bool value);
    void SetBorderColor(Colour value);
    // Narrowed to 16 bits, as it is stored.
    void SetBorderWidth(int32_t value);

  private:
    enum class Repaint { Rows, SelectedRow, PlayingRow };
    bool SetColour(Colour& field, Colour value, std::u16string_view name, Repaint repaint);

    PlaylistModel& model_;
    PlaylistView& view_;
    PlaylistAppearanceHost& host_;
    PlaylistColours colours_;
    FontSpec font_;
};

// "name,size,weight,italic,underline,strikethrough"; the name may itself hold commas.
Text FormatFont(const FontSpec& font);
std::optional<FontSpec> ParseFont(TextView text);

}  // namespace mulan::playlist
