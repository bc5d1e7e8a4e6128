#pragma once

#include <cstdint>

#include "base/canvas.h"
#include "controls/playlist/cls_icon.h"
#include "controls/playlist/playlist_appearance.h"
#include "controls/playlist/playlist_model.h"

namespace mulan::playlist {

// The control's size and its scrollbar's, as the painter needs them.
struct PlaylistGeometry {
    int32_t ScaleWidth = 0;
    int32_t ScaleHeight = 0;
    bool BarVisible = false;
    int32_t BarWidth = 0;
};

// Paints the playlist: striped rows with number, title, author and time cells, the selection,
// playing and error colours, the playing icon, the border. Repaints touch only the visible rows.
class PlaylistPainter {
  public:
    PlaylistPainter(PlaylistModel& model, const PlaylistColours& colours, const ClsIcon& playIcon);

    void Paint(Canvas& canvas, const PlaylistGeometry& geometry);
    void DrawRows(Canvas& canvas, const PlaylistGeometry& geometry);
    void DrawRow(Canvas& canvas, const PlaylistGeometry& geometry, int16_t i);
    void DrawCellText(Canvas& canvas, TextView text, int32_t x, int32_t y, int32_t width, int32_t height,
                      TextAlign align);
    void DrawBorder(Canvas& canvas, const PlaylistGeometry& geometry);
    // The empty control: its back colour, inside the border when there is one.
    void EraseControl(Canvas& canvas, const PlaylistGeometry& geometry);

    // Measures the three columns from "000", "AAAAAAAAAAA" and "00:00:00", each plus 4.
    void MeasureColumns(Canvas& canvas);
    int32_t AuthorWidth() const { return authorWidth_; }
    // The title column between the number and the author columns.
    int32_t TitleWidth(const PlaylistGeometry& geometry) const;
    int32_t TimeWidth() const { return timeWidth_; }

  private:
    int32_t RowWidth(const PlaylistGeometry& geometry) const;
    void FillBackground(Canvas& canvas, const PlaylistGeometry& geometry);

    PlaylistModel& model_;
    const PlaylistColours& colours_;
    const ClsIcon& playIcon_;
    int32_t authorWidth_ = 0;
    int32_t timeWidth_ = 0;
};

}  // namespace mulan::playlist
