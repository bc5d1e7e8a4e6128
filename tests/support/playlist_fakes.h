#pragma once

#include <set>
#include <string>
#include <vector>

#include "controls/playlist/playlist_view.h"
#include "base/file_probe.h"

namespace mulan::testing {

// A view that only counts, for tests that look at what was drawn rather than what was asked.
class QuietPlaylistView : public playlist::PlaylistView {
  public:
    void DrawRow(int16_t) override {}
    void DrawRows() override {}
    void Refresh() override {}
    void UpdateScrollRange() override {}
    void SetScrollValue(int32_t) override {}
    void EraseControl() override {}
    int32_t TextWidth(TextView text) override { return 8 * static_cast<int32_t>(text.size()); }
    void PropertyChanged(std::u16string_view) override {}
};

class QuietPlaylistEvents : public playlist::PlaylistEvents {
  public:
    void ListIndexChanged(int16_t&, int16_t&, int16_t&) override {}
    void PlayIndexChanged(int16_t&, int16_t&, int16_t&) override {}
};

class FakeFiles : public FileProbe {
  public:
    std::set<Text> existing;
    bool OrdinaryFileExists(TextView path) override { return existing.count(Text(path)) > 0; }
};

}  // namespace mulan::testing
