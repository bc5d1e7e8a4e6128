#include "site/iconv_codec_linux.h"
#include "site/platform_codec.h"

namespace mulan::site::testing {

const Codec& PlatformCodec() {
    static const IconvCodec codec;
    return codec;
}

}  // namespace mulan::site::testing
