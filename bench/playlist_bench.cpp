#include <benchmark/benchmark.h>

#include "controls/playlist/playlist_model.h"

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

// Appending is the start-up search's path: it must stay linear in the item count.
void BM_PlaylistAppend(benchmark::State& state) {
    NullView view;
    NullEvents events;
    NoFiles files;
    for (auto _ : state) {
        PlaylistModel list(view, events, files);
        for (int64_t i = 0; i < state.range(0); ++i) list.AddItem(u"一首很长的歌名 Song", u"歌手", u"12345");
        benchmark::DoNotOptimize(list.ListCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PlaylistAppend)->RangeMultiplier(4)->Range(512, 32767)->Complexity();

}  // namespace
}  // namespace mulan::playlist
