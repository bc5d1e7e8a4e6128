#pragma once

#include <windows.h>

#include <utility>

namespace mulan::win {

// Owning handles for GDI objects: each releases its object the way it was made, exactly once.
template <class Handle, class Release>
class ScopedHandle {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle h) : handle_(h) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~ScopedHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset(Handle h = nullptr) {
        if (handle_) Release{}(handle_);
        handle_ = h;
    }

  private:
    Handle handle_ = nullptr;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DeleteDeviceContext {
    void operator()(HDC h) const { DeleteDC(h); }
};

using ScopedBitmap = ScopedHandle<HBITMAP, DeleteGdiObject>;
using ScopedBrush = ScopedHandle<HBRUSH, DeleteGdiObject>;
using ScopedPen = ScopedHandle<HPEN, DeleteGdiObject>;
using ScopedFont = ScopedHandle<HFONT, DeleteGdiObject>;
using ScopedPalette = ScopedHandle<HPALETTE, DeleteGdiObject>;
using ScopedRegion = ScopedHandle<HRGN, DeleteGdiObject>;
// A device context made with CreateDC or CreateCompatibleDC.
using ScopedDC = ScopedHandle<HDC, DeleteDeviceContext>;

// A device context borrowed with GetDC (window or, with no window, the screen).
class ScopedWindowDC {
  public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    ~ScopedWindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    bool ok() const { return previous_ && previous_ != HGDI_ERROR; }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Selects a palette (as a background palette) and puts the previous one back.
class ScopedPaletteSelect {
  public:
    ScopedPaletteSelect(HDC dc, HPALETTE palette)
        : dc_(dc), previous_(dc && palette ? SelectPalette(dc, palette, TRUE) : nullptr) {
        if (previous_) RealizePalette(dc_);
    }
    ScopedPaletteSelect(const ScopedPaletteSelect&) = delete;
    ScopedPaletteSelect& operator=(const ScopedPaletteSelect&) = delete;
    ~ScopedPaletteSelect() {
        if (previous_) SelectPalette(dc_, previous_, TRUE);
    }

  private:
    HDC dc_;
    HPALETTE previous_;
};

// BeginPaint/EndPaint around one WM_PAINT.
class ScopedPaint {
  public:
    explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    ~ScopedPaint() { EndPaint(window_, &ps_); }
    HDC get() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

}  // namespace mulan::win
