// Any address gives a plain file name of bounded length for the save dialog.
#include <cstdint>

#include "app/download_name.h"
#include "fuzz_site.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    const Text address = Utf8ToText(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text name = app::DownloadFileName(address);
    fuzz::Check(app::IsPlainFileName(name), "not a plain file name");
    fuzz::Check(name.size() <= app::kMaxDownloadNameLength, "name too long");
    return 0;
}
