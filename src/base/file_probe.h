#pragma once

#include "base/text.h"

namespace mulan {

// Asks the file system whether an ordinary file matches a path; wildcards act as patterns and
// hidden, system and directory entries do not count. Never fails: anything odd is "no file".
class FileProbe {
  public:
    virtual ~FileProbe() = default;
    virtual bool OrdinaryFileExists(TextView path) = 0;
};

}  // namespace mulan
