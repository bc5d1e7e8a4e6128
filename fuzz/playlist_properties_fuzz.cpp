// The playlist's stored property set, read as the control loads it and written back: what was read
// must read back the same.
#include <cstdint>

#include "base/property_bag.h"
#include "controls/playlist/playlist_model.h"
#include "controls/playlist/playlist_properties.h"
#include "fuzz_site.h"
#include "support/playlist_fakes.h"

namespace {

using namespace mulan;

class Host final : public playlist::PlaylistAppearanceHost {
  public:
    void ApplyBackColor(Colour) override {}
    void ApplyFont(const playlist::FontSpec&) override {}
    void MeasureColumns() override {}
    void PlaceBar() override {}
    void DrawBorder() override {}
};

struct Control {
    testing::QuietPlaylistView view;
    testing::QuietPlaylistEvents events;
    testing::FakeFiles files;
    Host host;
    playlist::PlaylistModel model{view, events, files};
    playlist::PlaylistProperties properties{model, view, host};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PropertyBag bag = PropertyBag::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)PropertyBag::Parse(bag.Serialize());
    Control first;
    first.properties.InitNew();
    first.properties.ReadProperties(bag);
    PropertyBag written;
    first.properties.WriteProperties(written);
    Control second;
    second.properties.ReadProperties(PropertyBag::Parse(written.Serialize()));
    PropertyBag again;
    second.properties.WriteProperties(again);
    fuzz::Check(again.Serialize() == written.Serialize(), "the written set does not read back");
    return 0;
}
