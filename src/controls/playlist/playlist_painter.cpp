#include "controls/playlist/playlist_painter.h"

#include <cmath>

#include "base/decimal_text.h"

namespace mulan::playlist {

namespace {

constexpr int32_t kIconSize = 12;

// Halves go to the even neighbour, as every fraction that becomes a pixel count does.
int32_t RoundHalfEven(double value) {
    return static_cast<int32_t>(std::nearbyint(value));
}

Rect Box(int32_t x, int32_t y, int32_t width, int32_t height) {
    return Rect{x, y, x + width, y + height};
}

}  // namespace

PlaylistPainter::PlaylistPainter(PlaylistModel& model, const PlaylistColours& colours,
                                 const ClsIcon& playIcon)
    : model_(model), colours_(colours), playIcon_(playIcon) {}

void PlaylistPainter::MeasureColumns(Canvas& canvas) {
    const int32_t padding = model_.Scaled(4);
    model_.SetNumberWidth(canvas.TextWidth(u"000") + padding);
    authorWidth_ = canvas.TextWidth(u"AAAAAAAAAAA") + padding;
    timeWidth_ = canvas.TextWidth(u"00:00:00") + padding;
}

int32_t PlaylistPainter::RowWidth(const PlaylistGeometry& g) const {
    const int32_t bw = model_.Border() ? model_.BorderPixels() : 0;
    return g.ScaleWidth - (g.BarVisible ? g.BarWidth : 0) - 2 * bw;
}

int32_t PlaylistPainter::TitleWidth(const PlaylistGeometry& g) const {
    return RowWidth(g) - model_.NumberWidth() - authorWidth_ - timeWidth_;
}

void PlaylistPainter::DrawBorder(Canvas& canvas, const PlaylistGeometry& g) {
    canvas.RectOutline(Rect{0, 0, g.ScaleWidth - 1, g.ScaleHeight - 1}, colours_.BorderColor,
                       model_.BorderPixels());
}

void PlaylistPainter::FillBackground(Canvas& canvas, const PlaylistGeometry& g) {
    if (model_.Border()) {
        const int32_t bw = model_.BorderPixels();
        canvas.FillRect(Box(bw, bw, g.ScaleWidth - 2 * bw, g.ScaleHeight - 2 * bw), colours_.BackColor);
    } else {
        canvas.FillRect(Box(0, 0, g.ScaleWidth, g.ScaleHeight), colours_.BackColor);
    }
}

void PlaylistPainter::EraseControl(Canvas& canvas, const PlaylistGeometry& g) {
    canvas.FillRect(Box(0, 0, g.ScaleWidth, g.ScaleHeight), colours_.BackColor);
    if (model_.Border()) DrawBorder(canvas, g);
}

void PlaylistPainter::Paint(Canvas& canvas, const PlaylistGeometry& g) {
    if (model_.ListCount() > 0) {
        if (model_.Border()) DrawBorder(canvas, g);
    } else {
        FillBackground(canvas, g);
        if (model_.Border()) DrawBorder(canvas, g);
    }
    DrawRows(canvas, g);
}

void PlaylistPainter::DrawRows(Canvas& canvas, const PlaylistGeometry& g) {
    if (model_.ListCount() == 0) {
        FillBackground(canvas, g);
        return;
    }
    model_.SetScaleHeight(g.ScaleHeight);
    const int32_t last = model_.BottomIndex();
    for (int32_t i = model_.FirstIndex(); i <= last; ++i) DrawRow(canvas, g, static_cast<int16_t>(i));
}

void PlaylistPainter::DrawRow(Canvas& canvas, const PlaylistGeometry& g, int16_t i) {
    if (model_.ListCount() == 0 || i < 0 || i > model_.ListCount() - 1 || i < model_.FirstIndex()) return;
    const int32_t bw = model_.Border() ? model_.BorderPixels() : 0;
    const int32_t left = bw;
    const int32_t top = bw;
    const int32_t w = RowWidth(g);
    model_.SetScaleHeight(g.ScaleHeight);
    const int32_t listHeight = model_.ListHeight();
    if (i > model_.BottomIndex()) return;
    if (model_.AutoCheckError()) model_.StoreItemError(i, model_.FileMissing(i));

    const int32_t itemHeight = model_.RowPitch();
    const int32_t row = i - model_.FirstIndex();
    const int32_t rowTop = top + row * itemHeight;
    const bool error = model_.ItemError(i);
    if (i == model_.ListIndex()) {
        canvas.FillRect(Box(left, rowTop, w, itemHeight), colours_.ItemSelBkColor);
        canvas.SetTextColour(colours_.ItemSelTextColor);
    } else {
        canvas.FillRect(Box(left, rowTop, w, itemHeight),
                        row % 2 == 0 ? colours_.ItemBkColor1 : colours_.ItemBkColor2);
        canvas.SetTextColour(error                     ? colours_.ItemErrTextColor
                             : i == model_.PlayIndex() ? colours_.ItemPlyTextColor
                                                       : colours_.ItemNorTextColor);
    }

    auto cell = [&](TextView text, int32_t x, int32_t width, TextAlign align) {
        const int32_t y = rowTop + RoundHalfEven((itemHeight - canvas.TextHeight(text)) / 2.0);
        DrawCellText(canvas, text, x, y, width, itemHeight, align);
    };
    const int32_t numberWidth = model_.NumberWidth();
    if (i == model_.PlayIndex() && !error) {
        const int32_t iconSize = model_.Scaled(kIconSize);
        playIcon_.Draw(canvas, left + model_.Scaled(2), rowTop + RoundHalfEven((itemHeight - iconSize) / 2.0),
                       0, iconSize);
    } else {
        cell(DecimalText(i + 1), left, numberWidth, TextAlign::Center);
    }
    const PlaylistItem& item = model_.Items()[static_cast<size_t>(i)];
    cell(item.Title, left + numberWidth + model_.Scaled(2), TitleWidth(g), TextAlign::Left);
    // The author and time cells are placed from the row width alone, not from its left edge.
    cell(item.Author, w - timeWidth_ - authorWidth_, authorWidth_, TextAlign::Center);
    cell(item.StrTime, w - timeWidth_, timeWidth_, TextAlign::Center);

    if (i < model_.ListCount() - 1 && i < model_.BottomIndex()) return;
    const int32_t bottom = (row + 1) * itemHeight;
    if (bottom < listHeight)
        canvas.FillRect(Box(left, top + bottom, w, listHeight - bottom), colours_.BackColor);
    // Rows cut off at the bottom paint over the border's bottom edge.
    if (model_.Border()) {
        const int32_t pen = model_.BorderPixels();
        canvas.Line(0, g.ScaleHeight - pen, g.ScaleWidth, g.ScaleHeight - pen, colours_.BorderColor, pen);
    }
}

void PlaylistPainter::DrawCellText(Canvas& canvas, TextView text, int32_t x, int32_t y, int32_t width,
                                   int32_t height, TextAlign align) {
    if (canvas.TextWidth(text) <= width) {
        canvas.DrawText(text, Box(x, y, width, height), align);
        return;
    }
    // The longest prefix that leaves room for the ellipsis. Prefix widths grow with their length,
    // so a binary search finds the same prefix as trying each length from the longest down, in
    // logarithmic rather than quadratic time on a very long text.
    const int32_t room = width - canvas.TextWidth(u"...");
    size_t fits = 0;  // longest n with width(first n) <= room
    size_t lo = 1, hi = text.size();
    while (lo <= hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (canvas.TextWidth(text.substr(0, mid)) <= room) {
            fits = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    // With no prefix fitting, the ellipsis starts after the width of the first character.
    const int32_t p = canvas.TextWidth(text.substr(0, fits == 0 ? 1 : fits));
    canvas.DrawText(text.substr(0, fits), Rect{x, y, x + p, y + height}, TextAlign::Left);
    canvas.DrawText(u"...", Rect{x + p, y, x + width, y + height}, TextAlign::Left);
}

}  // namespace mulan::playlist
