#include "app/ui/modal_window_win32.h"

#include "site/message_pump_win32.h"

namespace mulan::app::ui {

namespace {

class DialogKeys final : public site::MessageFilter {
  public:
    explicit DialogKeys(HWND dialog) : dialog_(dialog) {}
    bool PreTranslateMessage(const MSG& msg) override {
        return IsWindow(dialog_) && IsDialogMessageW(dialog_, const_cast<MSG*>(&msg));
    }

  private:
    HWND dialog_;
};

}  // namespace

void RunModal(window::WindowBase& window, HWND owner) {
    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window.hwnd(), SW_SHOW);
    SetForegroundWindow(window.hwnd());
    DialogKeys keys(window.hwnd());
    site::RunNestedLoop(&keys, [&window] { return window.hwnd() != nullptr; });
    if (owner && ownerEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

}  // namespace mulan::app::ui
