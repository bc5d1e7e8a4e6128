// The search words as the key parameter: any UTF-16 units, lone surrogates included, give a key of
// plain ASCII with nothing that would end or split the request line.
#include <cstdint>

#include "fuzz_site.h"
#include "site/encode_query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    Text words;
    for (size_t i = 0; i + 1 < size; i += 2) words += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    const site::IconvCodec codec;
    const Text key = site::EncodeQuery(words, codec);
    for (const char16_t c : key) {
        fuzz::Check(c > u' ' && c < 0x7F && c != u'&' && c != u'#' && c != u'?',
                    "unsafe character in the key");
    }
    return 0;
}
