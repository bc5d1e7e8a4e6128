#include "dib_canvas_win32.h"

#include <fstream>
#include <vector>

namespace mulan::scrollbar::testing {

DibCanvas::DibCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_.reset(CreateCompatibleDC(nullptr));
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    Fill(fill);
}

COLORREF DibCanvas::Pixel(int x, int y) const {
    GdiFlush();
    const std::uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void DibCanvas::Fill(COLORREF colour) {
    GdiFlush();
    const std::uint32_t p = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = p;
}

bool DibCanvas::WriteBmp(const std::string& path) const {
    GdiFlush();
    const int stride = (width_ * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * height_, 0);
    for (int y = 0; y < height_; ++y) {
        char* row = pixels.data() + static_cast<std::size_t>(height_ - 1 - y) * stride;
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t p = bits_[y * width_ + x];
            row[3 * x] = static_cast<char>(p & 0xFF);
            row[3 * x + 1] = static_cast<char>((p >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

}  // namespace mulan::scrollbar::testing
