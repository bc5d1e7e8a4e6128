#include "app/form1_layout.h"

#include <cmath>

namespace mulan::app {

int32_t TwipsToPixels(int32_t twips) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(twips) / 15.0));
}

PixelRect ToPixels(const ControlPlacement& placement) {
    return {TwipsToPixels(placement.left), TwipsToPixels(placement.top), TwipsToPixels(placement.width),
            TwipsToPixels(placement.height)};
}

const ControlPlacement& Form1Placement(TextView name) {
    for (const ControlPlacement& placement : kForm1Layout) {
        if (placement.name == name) return placement;
    }
    return kForm1Layout.front();
}

}  // namespace mulan::app
