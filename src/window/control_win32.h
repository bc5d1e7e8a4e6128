#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "base/text.h"

namespace mulan::window {

class WindowBase;

// A child control of a system class (a button, a trackbar, …) held as a member by the window that
// shows it. The control's messages pass through here on their way to its class, and the
// notifications it sends to its parent come back here (WindowBase routes them), so that the
// program sees both as named events of a typed object. Owns its window: destroyed with the object,
// forgotten once the system destroys it first.
class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    HWND hwnd() const { return hwnd_; }

    // Creates the control as a visible child at place and takes it over.
    bool Create(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& place, HWND parent,
                int id, DWORD exStyle = 0);
    void SetFont(HFONT font) const;
    void Place(const RECT& place) const;
    void SetText(TextView text) const;
    Text GetText() const;

    // The pointer moved over the control (not for the controls that hear only their notifications).
    std::function<void()> onMouseMove;

    // The control that sent a notification to its parent (WM_COMMAND, WM_NOTIFY, WM_HSCROLL,
    // WM_VSCROLL); null for any other message.
    static HWND NotificationSender(UINT msg, WPARAM wp, LPARAM lp);
    // A notification it sent to its parent: the answer when the control handled it, nothing to
    // leave it to the parent.
    virtual std::optional<LRESULT> Notified(UINT msg, WPARAM wp, LPARAM lp);

  protected:
    // Takes over a window made elsewhere (a part of another control), without owning it.
    bool Adopt(HWND window);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // False for a control that needs only its notifications: its own messages then go straight to
    // its class. Each message through a subclass costs Wine two round trips to its server, and a
    // list may take hundreds of thousands of messages while it fills.
    virtual bool HearsOwnMessages() const { return true; }
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) const;
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return SendMessageW(hwnd_, msg, wp, lp); }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                 DWORD_PTR ref) noexcept;
    bool Attach(HWND window, bool owned);
    friend class WindowBase;  // detaches its controls when its window goes
    void Detach();

    HWND hwnd_ = nullptr;
    bool owned_ = false;
    bool subclassed_ = false;
    // The window of ours that hears this control's notifications and passes them back here.
    WindowBase* parent_ = nullptr;
};

}  // namespace mulan::window
