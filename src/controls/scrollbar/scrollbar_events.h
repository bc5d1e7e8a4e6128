#pragma once

namespace mulan::scrollbar {

// The scrollbar's notifications to its container. None carries arguments: the container reads the
// control's properties in its handler.
class ScrollbarEvents {
  public:
    virtual void Change() {}
    virtual void Scroll() {}
    virtual void Show() {}
    virtual void Hide() {}

  protected:
    ~ScrollbarEvents() = default;
};

}  // namespace mulan::scrollbar
