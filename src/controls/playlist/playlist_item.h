#pragma once

#include "base/text.h"

namespace mulan::playlist {

struct PlaylistItem {
    Text Title;
    Text Author;
    Text StrTime;
    Text URL;
    bool ItemError = false;
};

}  // namespace mulan::playlist
