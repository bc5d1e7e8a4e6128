#pragma once

#include <cstdint>

#include "base/text.h"

namespace mulan {

// What the tray is asked to show. Both windows raise notices, so it lives with the shared types.
struct TrayNotice {
    Text tip;
    Text balloon;
    uint32_t balloonFlags = 0;
    uint32_t timeout = 5000;
};

}  // namespace mulan
