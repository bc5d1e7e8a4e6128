#include <benchmark/benchmark.h>

#include "controls/playlist/playlist_input.h"
#include "controls/playlist/playlist_painter.h"

namespace mulan::playlist {
namespace {

class NullView : public PlaylistView {
  public:
    void DrawRow(int16_t) override {}
    void DrawRows() override {}
    void Refresh() override {}
    void UpdateScrollRange() override {}
    void SetScrollValue(int32_t) override {}
    void EraseControl() override {}
    int32_t TextWidth(TextView text) override { return static_cast<int32_t>(text.size()) * 8; }
    void PropertyChanged(std::u16string_view) override {}
};
class NullEvents : public PlaylistEvents {
  public:
    void ListIndexChanged(int16_t&, int16_t&, int16_t&) override {}
    void PlayIndexChanged(int16_t&, int16_t&, int16_t&) override {}
};
class NoFiles : public FileProbe {
  public:
    bool OrdinaryFileExists(TextView) override { return false; }
};
// Measures like a fixed-width font and draws nothing: what is timed is the painter's own work.
class NullCanvas : public Canvas {
  public:
    void FillRect(const Rect&, Colour) override {}
    void SetTextColour(Colour) override {}
    void DrawText(TextView text, const Rect&, TextAlign) override { benchmark::DoNotOptimize(text.data()); }
    int32_t TextWidth(TextView text) override { return static_cast<int32_t>(text.size()) * 8; }
    int32_t TextHeight(TextView) override { return 12; }
    void Line(int32_t, int32_t, int32_t, int32_t, Colour, int32_t) override {}
    void RectOutline(const Rect&, Colour, int32_t) override {}
    void FocusRect(const Rect&) override {}
    bool DrawIcon(std::span<const uint8_t>, int32_t, int32_t, int32_t, int32_t) override { return true; }
};
class Bar : public PlaylistScrollbar {
  public:
    PlaylistInput* input = nullptr;
    bool visible = false;
    int32_t value = 0, max = 0;
    bool Visible() const override { return visible; }
    int32_t Value() const override { return value; }
    int32_t Max() const override { return max; }
    int32_t Width() const override { return 17; }
    void SetVisible(bool v) override { visible = v; }
    void SetValue(int32_t v) override {
        value = v;
        if (input) input->BarChange();
    }
    void SetMax(int32_t m) override { max = m < 0 ? 0 : m; }
    void Move(int32_t, int32_t, int32_t, int32_t) override {}
};

struct Fixture {
    NullView view;
    NullEvents events;
    NoFiles files;
    PlaylistModel list{view, events, files};
    PlaylistColours colours;
    ClsIcon icon;
    PlaylistPainter painter{list, colours, icon};
    Bar bar;
    PlaylistInput input{list, view, events, bar};
    NullCanvas canvas;
    PlaylistGeometry geometry{313, 361, true, 17};

    explicit Fixture(int64_t items) {
        bar.input = &input;
        input.Resize(313, 361);
        for (int64_t i = 0; i < items; ++i)
            list.AddItem(u"一首很长很长很长很长的歌名 Song Title", u"歌手", u"12345");
        input.UpdateScrollRange();
        painter.MeasureColumns(canvas);
    }
};

// Appending is the start-up search's path: it must stay linear in the item count.
void BM_PlaylistAppend(benchmark::State& state) {
    for (auto _ : state) {
        Fixture f(state.range(0));
        benchmark::DoNotOptimize(f.list.ListCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PlaylistAppend)
    ->RangeMultiplier(4)
    ->Range(512, 32767)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

// A full repaint touches only the visible rows, whatever the list's length.
void BM_PlaylistFullRepaint(benchmark::State& state) {
    Fixture f(state.range(0));
    f.bar.SetValue(static_cast<int32_t>(state.range(0) / 2));
    for (auto _ : state) f.painter.Paint(f.canvas, f.geometry);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PlaylistFullRepaint)->RangeMultiplier(8)->Range(64, 32767)->Complexity();

void BM_PlaylistWheelStep(benchmark::State& state) {
    Fixture f(state.range(0));
    int32_t direction = -1;
    for (auto _ : state) {
        if (f.bar.value == 0) direction = -1;
        if (f.bar.value >= f.bar.max) direction = 1;
        f.input.Wheel(direction);
        f.painter.DrawRows(f.canvas, f.geometry);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PlaylistWheelStep)->RangeMultiplier(8)->Range(64, 32767)->Complexity();

}  // namespace
}  // namespace mulan::playlist
