#include "controls/playlist/cls_icon.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace mulan::playlist {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;

uint16_t Read16(std::span<const uint8_t> d, size_t at) {
    return static_cast<uint16_t>(d[at] | (d[at + 1] << 8));
}

uint32_t Read32(std::span<const uint8_t> d, size_t at) {
    return static_cast<uint32_t>(d[at]) | (static_cast<uint32_t>(d[at + 1]) << 8) |
           (static_cast<uint32_t>(d[at + 2]) << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}

IconEntry ReadEntry(std::span<const uint8_t> d, size_t at) {
    return IconEntry{d[at], d[at + 1], d[at + 2], Read16(d, at + 6), Read32(d, at + 8), Read32(d, at + 12)};
}

}  // namespace

bool ClsIcon::LoadFromData(std::span<const uint8_t> bytes) {
    data_.assign(bytes.begin(), bytes.end());
    count_ = data_.size() >= kHeaderSize ? static_cast<int16_t>(Read16(data_, 4)) : int16_t{0};
    if (count_ <= 0) return false;
    const size_t count = static_cast<size_t>(count_);
    if (data_.size() < kHeaderSize + count * kEntrySize) {
        // A directory that runs past the data would be read past its end: no images.
        count_ = 0;
        return false;
    }
    entries_.clear();
    for (size_t i = 0; i < count; ++i) entries_.push_back(ReadEntry(data_, kHeaderSize + i * kEntrySize));
    return true;
}

bool ClsIcon::LoadFromFile(TextView name, FileProbe& files) {
    if (!files.OrdinaryFileExists(name)) return false;
    std::ifstream file(std::filesystem::path(Text(name)), std::ios::binary);
    if (!file) return false;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return LoadFromData(bytes);
}

const IconEntry* ClsIcon::Entry(int32_t i) const {
    if (i < 0 || i >= count_ || static_cast<size_t>(i) >= entries_.size()) return nullptr;
    return &entries_[static_cast<size_t>(i)];
}

std::optional<uint8_t> ClsIcon::Width(int32_t i) const {
    const IconEntry* e = Entry(i);
    return e ? std::optional(e->Width) : std::nullopt;
}
std::optional<uint8_t> ClsIcon::Height(int32_t i) const {
    const IconEntry* e = Entry(i);
    return e ? std::optional(e->Height) : std::nullopt;
}
std::optional<uint8_t> ClsIcon::ColorCount(int32_t i) const {
    const IconEntry* e = Entry(i);
    return e ? std::optional(e->ColorCount) : std::nullopt;
}
std::optional<uint16_t> ClsIcon::BitCount(int32_t i) const {
    const IconEntry* e = Entry(i);
    return e ? std::optional(e->BitCount) : std::nullopt;
}
std::optional<uint32_t> ClsIcon::Length(int32_t i) const {
    const IconEntry* e = Entry(i);
    return e ? std::optional(e->Length) : std::nullopt;
}

std::optional<std::vector<uint8_t>> ClsIcon::Data(int32_t i) const {
    const IconEntry* e = Entry(i);
    if (!e || e->Offset > data_.size() || e->Length > data_.size() - e->Offset) return std::nullopt;
    const auto first = data_.begin() + static_cast<std::ptrdiff_t>(e->Offset);
    return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(e->Length));
}

bool ClsIcon::Draw(Canvas& canvas, int32_t x, int32_t y, int32_t i, int32_t size) const {
    const auto image = Data(i);
    if (!image) return false;
    const IconEntry* e = Entry(i);
    if (size > 0) return canvas.DrawIcon(*image, size, size, x, y);
    return canvas.DrawIcon(*image, e->Width, e->Height, x, y);
}

}  // namespace mulan::playlist
