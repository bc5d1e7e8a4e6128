#pragma once

#include <windows.h>

#include "base/scoped_gdi_win32.h"
#include "base/text.h"
#include "window/typed_controls_win32.h"
#include "window/window_base_win32.h"

namespace mulan::app::ui {

// The song link window "外链地址": one read-only text box holding an audio address, selected so
// that the user can copy it at once.
class Form2 final : public window::WindowBase {
  public:
    ~Form2() override { Destroy(); }
    // Client area 3975 x 510 twips; Text1 at 0, 0, 3975, 495 twips.
    static constexpr int kClientWidth = 265;
    static constexpr int kClientHeight = 34;
    static constexpr int kText1Height = 33;
    static constexpr int kText1Id = 100;

    // Creates the window hidden, centred over owner (or the screen).
    bool Create(HWND owner, TextView address);
    HWND text1() const { return Text1_.hwnd(); }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    window::Edit Text1_;
    win::ScopedFont font_;
};

// Shows address in Form2 modally over owner: the owner takes no input until Form2 is closed, while
// its timers and everything else keep running. An address that is empty once its spaces are
// removed shows nothing. Returns when Form2 is closed.
void ShowSongLink(HWND owner, TextView address);

}  // namespace mulan::app::ui
