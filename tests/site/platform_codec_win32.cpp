#include "site/platform_codec.h"
#include "site/windows_codec_win32.h"

namespace mulan::site::testing {

const Codec& PlatformCodec() {
    static const WindowsCodec codec;
    return codec;
}

}  // namespace mulan::site::testing
