// Any bytes as a file: the raw tag reader returns only fields TagLib would drop (named, not UTF-8),
// within the input, and the same from the file on disk as from the bytes in memory.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_site.h"
#include "library/raw_tag_fields.h"
#include "library/utf8_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto fields = library::RawTextFieldsOf(bytes, bytes);
    std::size_t total = 0;
    for (const library::RawTextField& field : fields) {
        fuzz::Check(!field.key.empty(), "a field without a name");
        for (const char c : field.key) fuzz::Check(c < 'a' || c > 'z', "a name not in upper case");
        fuzz::Check(!field.bytes.empty() && !library::utf8::IsValid(field.bytes), "a field TagLib reads");
        total += field.bytes.size();
    }
    // Each field is its own part of the start or of the end, and those may overlap in a small file.
    fuzz::Check(total <= 2 * size, "fields beyond the input");

    const auto file =
        std::filesystem::temp_directory_path() / ("mulan-fuzz-raw-tags-" + std::to_string(getpid()) + ".bin");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(size));
    }
    const auto read = library::ReadRawTextFields(file);
    std::filesystem::remove(file);
    fuzz::Check(read.size() == fields.size(), "the file gives other fields than its bytes");
    for (std::size_t i = 0; i < read.size() && i < fields.size(); ++i) {
        fuzz::Check(read[i].key == fields[i].key && read[i].bytes == fields[i].bytes,
                    "the file gives other fields than its bytes");
    }
    return 0;
}
