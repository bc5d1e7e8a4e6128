#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/canvas.h"
#include "base/file_probe.h"

namespace mulan::playlist {

// One directory entry of an icon file, as the file stores it.
struct IconEntry {
    uint8_t Width = 0;  // 0 stands for 256
    uint8_t Height = 0;
    uint8_t ColorCount = 0;
    uint16_t BitCount = 0;
    uint32_t Length = 0;
    uint32_t Offset = 0;
};

// Reads a complete icon file image held in memory and draws its images at their own size. Every
// read is bounded by the data: an index, entry or image that is not wholly inside it gives an
// empty result instead of a read past the end.
class ClsIcon {
  public:
    bool LoadFromData(std::span<const uint8_t> bytes);
    bool LoadFromFile(TextView name, FileProbe& files);

    int16_t Count() const { return count_; }
    std::optional<uint8_t> Width(int32_t i) const;
    std::optional<uint8_t> Height(int32_t i) const;
    std::optional<uint8_t> ColorCount(int32_t i) const;
    std::optional<uint16_t> BitCount(int32_t i) const;
    std::optional<uint32_t> Length(int32_t i) const;
    // Exactly the image's Length bytes, or nothing when they are not all inside the data.
    std::optional<std::vector<uint8_t>> Data(int32_t i) const;
    // Draws image i at its own size, or stretched to a square of size pixels when size is given.
    bool Draw(Canvas& canvas, int32_t x, int32_t y, int32_t i, int32_t size = 0) const;

  private:
    const IconEntry* Entry(int32_t i) const;

    std::vector<uint8_t> data_;
    int16_t count_ = 0;
    std::vector<IconEntry> entries_;
};

}  // namespace mulan::playlist
