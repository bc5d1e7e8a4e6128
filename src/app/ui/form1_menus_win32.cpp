#include "app/ui/form1_win32.h"

#include "app/ui/popup_menu_win32.h"

// The main window's menus: the playlist menu, the play modes, the tray menu, and what their
// commands do here or hand over to the owner of the playback.
namespace mulan::app::ui {

// The playlist menu from the keyboard opens at the selected row (or the list's top) on MenuIndex.
void Form1::OpenPlaylistMenuAtSelection() {
    const auto& model = QMListBox1_.Model();
    const int16_t selected = model.ListIndex();
    const bool shown = selected >= model.FirstIndex() && selected < model.BottomIndex();
    state_.MenuIndex = selected;
    POINT at{model.BorderPixels() + model.NumberWidth(),
             model.BorderPixels() + (shown ? selected - model.FirstIndex() + 1 : 1) * model.RowPitch()};
    ClientToScreen(QMListBox1_.hwnd(), &at);
    OpenPopup(menu_, at);
}

const MenuModel& Form1::menu(MenuId id) const {
    switch (id) {
        case MenuId::Menu:
            return menu_;
        case MenuId::Mos:
            return mos_;
        case MenuId::EndMenu:
        case MenuId::Menus:
            break;
    }
    return endMenu_;
}

void Form1::Command2_Click() {
    OpenPopup(mos_, PointerPosition());
}

void Form1::QMListBox1_MouseUp(int16_t Button, double X, double Y) {
    if (Button != 2 || QMListBox1_.ListCount() < 1) return;
    state_.MenuIndex = QMListBox1_.IndexFromPoint(X, Y);
    OpenPopup(menu_, PointerPosition());
}

// The mode shows on its option button and as the one checked item of the Mos menu.
void Form1::SetPlayMode(PlayMode mode) {
    state_.Mode = mode;
    const struct {
        PlayMode mode;
        const window::Button& option;
        Command item;
    } modes[] = {{PlayMode::SingleRepeat, Option1_, Command::Ones},
                 {PlayMode::ListLoop, Option2_, Command::Lists},
                 {PlayMode::Random, Option3_, Command::suiji}};
    for (const auto& m : modes) {
        m.option.SetChecked(m.mode == mode);
        mos_.SetChecked(m.item, m.mode == mode);
    }
}

Text Form1::PauseCaption() const {
    const MenuItem* item = endMenu_.Find(Command::zant);
    return item ? item->caption : Text();
}

void Form1::SetPauseCaption(TextView caption) {
    endMenu_.SetCaption(Command::zant, caption);
}

void Form1::SetShowsVisible(bool visible) {
    endMenu_.SetVisible(Command::shows, visible);
    endMenu_.SetSeparatorAfterVisible(Command::shows, visible);
}

void Form1::shows_Click() {
    if (IsIconic(hwnd())) {
        ShowWindow(hwnd(), SW_RESTORE);
        ShowWindow(hwnd(), SW_SHOW);
        return;
    }
    SetShowsVisible(false);
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
}

// Exit ends the process at once: no close or unload handling runs, and nothing is left behind.
void Form1::ends_Click() {
    if (commands_) commands_->BeforeExit();
    StopPlayerForExit(state_, player_);
    tray_.RemoveTrayIcon();
    TerminateProcess(GetCurrentProcess(), 0);
}

void Form1::OpenPopup(const MenuModel& menu, POINT at) {
    RunCommand(TrackPopup(menu, hwnd(), at));
}

void Form1::OpenEndMenu() {
    OpenPopup(endMenu_, PointerPosition());
}

void Form1::RunCommand(Command command) {
    switch (command) {
        case Command::shows:
            return shows_Click();
        case Command::ends:
            return ends_Click();
        case Command::Ones:
            return SetPlayMode(PlayMode::SingleRepeat);
        case Command::Lists:
            return SetPlayMode(PlayMode::ListLoop);
        case Command::suiji:
            return SetPlayMode(PlayMode::Random);
        case Command::None:
            return;
        default:
            break;
    }
    if (commands_) commands_->Run(command);
}

}  // namespace mulan::app::ui
