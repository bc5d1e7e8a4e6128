#pragma once

#include "base/text.h"
#include "site/codec.h"

namespace mulan::site {

// The value of the site's "key" parameter for the words typed: each UTF-16 unit by its GBK code,
// "-,./" and digits and ASCII letters as they are, two-byte codes as %XX%XX, every other one-byte
// code as "%" and its hexadecimal digits without leading zeros (%20 for a space, %9 for a tab).
// A unit GBK lacks is taken as "?" (%3F).
Text EncodeQuery(TextView words, const Codec& codec);

}  // namespace mulan::site
