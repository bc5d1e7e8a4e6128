#include "app/form1_layout.h"

#include "base/dpi_scale.h"

namespace mulan::app {

int32_t TwipsToPixels(int32_t twips, int32_t dpi) {
    return TwipsToPixelsAt(twips, dpi);
}

PixelRect ToPixels(const ControlPlacement& placement, int32_t dpi) {
    return {TwipsToPixels(placement.left, dpi), TwipsToPixels(placement.top, dpi),
            TwipsToPixels(placement.width, dpi), TwipsToPixels(placement.height, dpi)};
}

}  // namespace mulan::app
