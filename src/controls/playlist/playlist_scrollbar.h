#pragma once

#include <cstdint>

namespace mulan::playlist {

// What the playlist uses of its embedded vertical scrollbar. The scrollbar keeps Max at least Min
// and lowers Value to a smaller Max itself; its Change, Scroll, Show and Hide notifications come
// back through PlaylistInput.
class PlaylistScrollbar {
  public:
    virtual ~PlaylistScrollbar() = default;
    virtual bool Visible() const = 0;
    virtual int32_t Value() const = 0;
    virtual int32_t Max() const = 0;
    virtual int32_t Width() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetValue(int32_t value) = 0;
    virtual void SetMax(int32_t value) = 0;
    virtual void Move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
};

}  // namespace mulan::playlist
