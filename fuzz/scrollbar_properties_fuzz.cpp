// A scrollbar's stored property set: read, written and read again to the same values.
#include <cstdint>

#include "controls/scrollbar/scrollbar_properties.h"
#include "fuzz_site.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    const Text stored = Utf8ToText(std::string_view(reinterpret_cast<const char*>(data), size));
    const scrollbar::ScrollbarProperties read = scrollbar::ReadScrollbarProperties(stored);
    const scrollbar::ScrollbarProperties again =
        scrollbar::ReadScrollbarProperties(scrollbar::WriteScrollbarProperties(read));
    fuzz::Check(again == read, "the written set does not read back");
    return 0;
}
