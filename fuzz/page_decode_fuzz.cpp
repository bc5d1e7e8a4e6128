// Page bodies through the decoding step of every fetch: the last byte picks "auto" (the page
// decides by its charset declaration), GBK or UTF-8. Decoding never fails and never makes more
// units than bytes.
#include <cstdint>

#include "fuzz_site.h"
#include "site/codec.h"
#include "site/fetch_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    if (size == 0) return 0;
    constexpr const char16_t* kModes[] = {site::kCharsetAuto, site::kCharsetGb2312, site::kCharsetUtf8,
                                          u"GBK"};
    const std::u16string_view mode = kModes[data[size - 1] % 4];
    const std::string_view body(reinterpret_cast<const char*>(data), size - 1);
    const site::IconvCodec codec;
    const Text text = site::DecodeBody(codec, body, mode);
    fuzz::Check(text.size() <= body.size(), "more units than bytes");
    return 0;
}
