#pragma once

#include <windows.h>

#include "app/main_window_state.h"
#include "app/tray_record.h"

namespace mulan::app::ui {

// What the tray module needs from the main window it serves.
class TrayHost {
  public:
    virtual ~TrayHost() = default;
    virtual HWND MainWindow() const = 0;
    virtual HICON MainIcon() const = 0;
    virtual Text Caption() const = 0;
    virtual const MainWindowState& State() const = 0;
    // Opens the tray menu (EndMenu) as a popup at the pointer.
    virtual void OpenEndMenu() = 0;
    // The tray menu's "显示" item and its separator are visible exactly while the window is minimised.
    virtual void SetShowsVisible(bool visible) = 0;
};

// The application's icon in the notification area. While it is up, the main window hands it each
// of its messages (the icon's notifications among them) before handling them itself.
class Trayico {
  public:
    explicit Trayico(TrayHost& host);
    Trayico(const Trayico&) = delete;
    Trayico& operator=(const Trayico&) = delete;
    ~Trayico();

    // Puts the icon up and starts taking the window's messages on the first call; changes it on
    // every later call.
    void ShowTrayNotice(const TrayNotice& notice);
    // The tip the icon shows now.
    const Text& Tip() const { return last_.tip; }
    // Removes the icon and stops taking the window's messages; nothing when the icon is not up.
    void RemoveTrayIcon();
    bool IsUp() const { return hooked_; }

    // A message of the main window, before the window handles it.
    void BeforeMessage(UINT msg, LPARAM lp);
    // After the window handled a message: the "显示" item follows the window into the tray and back.
    void AfterMessage();

  private:
    void Send(DWORD command, const TrayRecord& record);

    TrayHost& host_;
    bool hooked_ = false;
    TrayNotice last_;
    UINT taskbarCreated_ = 0;
};

}  // namespace mulan::app::ui
