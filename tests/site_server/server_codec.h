#pragma once
// The codec mulan-site uses on the platform the tests run on: iconv on Linux, the Windows code pages
// under Wine.

#ifdef _WIN32
#include "site/windows_codec_win32.h"
#else
#include "site/iconv_codec_linux.h"
#endif

namespace mulan::site_server::testing {

#ifdef _WIN32
using ServerCodec = site::WindowsCodec;
#else
using ServerCodec = site::IconvCodec;
#endif

}  // namespace mulan::site_server::testing
