#pragma once

#include "base/file_probe.h"

namespace mulan::win {

// A directory lookup for normal files: hidden, system and directory entries do not count, and
// wildcards in the path act as patterns.
class Win32FileProbe final : public FileProbe {
  public:
    bool OrdinaryFileExists(TextView path) override;
};

}  // namespace mulan::win
