// An icon file as the playlist loads its row icon: every entry's fields, data and drawing, all
// bounded by the file.
#include <cstdint>
#include <span>

#include "controls/playlist/cls_icon.h"
#include "fuzz_site.h"
#include "support/recording_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    playlist::ClsIcon icon;
    if (!icon.LoadFromData(std::span(data, size))) return 0;
    testing::RecordingCanvas canvas;
    for (int32_t i = -1; i <= icon.Count(); ++i) {
        (void)icon.Width(i);
        (void)icon.Height(i);
        (void)icon.ColorCount(i);
        (void)icon.BitCount(i);
        const auto length = icon.Length(i);
        if (const auto image = icon.Data(i)) {
            fuzz::Check(length && image->size() == *length && image->size() <= size,
                        "image larger than the file");
        }
        (void)icon.Draw(canvas, 0, 0, i);
    }
    return 0;
}
