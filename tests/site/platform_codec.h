#pragma once

#include <string>

#include "site/codec.h"

namespace mulan::site::testing {

// The codec of the platform the tests run on: iconv on Linux, the Windows code pages under Wine.
const Codec& PlatformCodec();

// A file under tests/site/data, as bytes.
std::string ReadDataFile(const std::string& name);

}  // namespace mulan::site::testing
