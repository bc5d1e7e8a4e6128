#include <windows.h>
#include <commctrl.h>

#include "app/ui/form1_win32.h"
#include "app/ui/player_app_win32.h"
#include "site/message_pump_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    mulan::app::ui::Form1 form;
    mulan::app::ui::PlayerApp app(form);
    if (!form.Create(showCommand)) return 1;
    return mulan::site::RunMessageLoop(&form);
}
