// Any address gives a plain file name of bounded length for the save dialog.
#include <cstdint>

#include "base/download_name.h"
#include "fuzz_site.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    const Text address = Utf8ToText(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text name = DownloadFileName(address);
    fuzz::Check(IsPlainFileName(name), "not a plain file name");
    fuzz::Check(name.size() <= kMaxDownloadNameLength, "name too long");
    return 0;
}
