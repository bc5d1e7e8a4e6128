#pragma once

#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace mulan::playlist {

// What the list operations ask of the control that shows them: painting, scrolling, measuring
// and telling the host that a property changed. The control implements it; tests record it.
class PlaylistView {
  public:
    virtual ~PlaylistView() = default;
    virtual void DrawRow(int16_t index) = 0;
    virtual void DrawRows() = 0;
    // Paints the whole control at once.
    virtual void Refresh() = 0;
    virtual void UpdateScrollRange() = 0;
    // The scrollbar's change notification comes back through the model's SetFirstIndex.
    virtual void SetScrollValue(int32_t value) = 0;
    // Erases the control to its back colour and draws the border when it is on.
    virtual void EraseControl() = 0;
    virtual int32_t TextWidth(TextView text) = 0;
    virtual void PropertyChanged(std::u16string_view name) = 0;
};

// The control's events, in their declaration order. The index arguments are by reference: a
// handler may rewrite OldIndex and NewIndex, and the control takes the rewritten NewIndex unchecked.
class PlaylistEvents {
  public:
    virtual ~PlaylistEvents() = default;
    virtual void Click(int16_t /*Button*/, int16_t /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void DBClick(int16_t /*Button*/, int16_t /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void MouseDown(int16_t /*Button*/, int16_t /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void MouseMove(int16_t /*Button*/, int16_t /*Shift*/, float /*X*/, float /*Y*/) {}
    virtual void MouseUp(int16_t /*Button*/, int16_t /*Shift*/, float /*X*/, float /*Y*/) {}
    // A key pressed while the control has the focus, before the control moves its selection; a
    // handler that uses the key sets KeyCode to 0.
    virtual void KeyDown(int16_t& /*KeyCode*/, int16_t /*Shift*/) {}
    virtual void ListIndexChanged(int16_t& OldIndex, int16_t& NewIndex, int16_t& Reason) = 0;
    virtual void PlayIndexChanged(int16_t& OldIndex, int16_t& NewIndex, int16_t& Reason) = 0;
    virtual void Scroll() {}
    virtual void Resize() {}
};

enum class IndexChangeReason : int16_t { Mouse = 0, Property = 1 };

}  // namespace mulan::playlist
