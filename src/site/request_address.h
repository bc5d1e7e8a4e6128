#pragma once

#include <string>

#include "base/text.h"

namespace mulan::site {

// The address as the transport sends it: ASCII, with every character that may not stand in a
// request line (controls, space, DEL, non-ASCII as UTF-8 bytes, and " # < > \ ^ ` { | }) written as
// %XX. A song id with spaces or line breaks therefore never reaches the request line as raw bytes.
// "%" stays: search keys arrive already encoded.
std::string RequestAddress(TextView address);

}  // namespace mulan::site
