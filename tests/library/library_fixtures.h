#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "library/audio_files.h"

namespace mulan::library::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(std::string_view name = "library") {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("mulan-" + std::string(name) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
        path_ = std::filesystem::canonical(path_);
    }
    ~TemporaryFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // relative: '/'-separated UTF-8.
    std::filesystem::path operator/(std::string_view relative) const {
        return path_ / PathFromUtf8(relative);
    }

  private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A WAV file of samples silent 16-bit mono samples at 8 kHz: real audio the tag reader opens, with no
// tags, so the file name gives title and singer.
inline void WriteSilentWav(const std::filesystem::path& file, std::uint32_t samples = 800) {
    auto le = [](std::uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
        return out;
    };
    const std::uint32_t data = samples * 2;
    std::string wav = "RIFF" + le(36 + data, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
                      le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(data, 4);
    wav.append(data, '\0');
    WriteBytes(file, wav);
}

}  // namespace mulan::library::testing
