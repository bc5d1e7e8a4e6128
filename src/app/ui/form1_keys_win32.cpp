#include "app/ui/form1_win32.h"

#include "app/media_keys.h"

// The main window's keys: the media keys, Tab between its controls, the search box's keys and the
// playlist's.
namespace mulan::app::ui {

namespace {

// Hot key ids of the media keys, in the order of kMediaKeys.
constexpr int kFirstHotKey = 1;
constexpr struct {
    UINT vk;
    MediaKey key;
} kMediaKeys[] = {{VK_MEDIA_PLAY_PAUSE, MediaKey::PlayPause},
                  {VK_MEDIA_NEXT_TRACK, MediaKey::Next},
                  {VK_MEDIA_PREV_TRACK, MediaKey::Previous},
                  {VK_MEDIA_STOP, MediaKey::Stop}};

std::optional<MediaKey> AppCommandKey(int command) {
    switch (command) {
        case APPCOMMAND_MEDIA_PLAY_PAUSE:
            return MediaKey::PlayPause;
        case APPCOMMAND_MEDIA_PLAY:
            return MediaKey::Play;
        case APPCOMMAND_MEDIA_PAUSE:
            return MediaKey::Pause;
        case APPCOMMAND_MEDIA_STOP:
            return MediaKey::Stop;
        case APPCOMMAND_MEDIA_NEXTTRACK:
            return MediaKey::Next;
        case APPCOMMAND_MEDIA_PREVIOUSTRACK:
            return MediaKey::Previous;
        default:
            return std::nullopt;
    }
}

bool KeyIsDown(int vk) {
    return GetKeyState(vk) < 0;
}

}  // namespace

// The media keys reach the window even while it is in the background or hidden in the tray. A key
// another program holds already comes through WM_APPCOMMAND while the window has the focus.
void Form1::RegisterMediaKeys() {
    for (size_t i = 0; i < std::size(kMediaKeys); ++i) {
        RegisterHotKey(hwnd(), kFirstHotKey + static_cast<int>(i), 0, kMediaKeys[i].vk);
    }
}

void Form1::HotKeyPressed(WPARAM id) {
    const auto i = static_cast<size_t>(static_cast<int>(id) - kFirstHotKey);
    if (i < std::size(kMediaKeys)) MediaKeyPressed(kMediaKeys[i].key);
}

// True when the command was a media key.
bool Form1::AppCommandPressed(LPARAM lp) {
    const auto key = AppCommandKey(GET_APPCOMMAND_LPARAM(lp));
    if (key) MediaKeyPressed(*key);
    return key.has_value();
}

void Form1::MediaKeyPressed(MediaKey key) {
    const MenuItem* pause = endMenu_.Find(Command::zant);
    const auto command = MediaKeyCommand(key, pause ? pause->caption : Text());
    if (command) RunCommand(*command);
}

void Form1::FocusSearchBox() {
    SetFocus(Text1_.hwnd());
    Text1_.SelectText(0, -1);
}

// Tab order: the search box, the playlist, the progress slider, the volume slider.
void Form1::MoveFocus(HWND from, bool backwards) {
    const HWND order[] = {Text1_.hwnd(), QMListBox1_.hwnd(), Slider1_.hwnd(), Slider2_.hwnd()};
    constexpr int count = static_cast<int>(std::size(order));
    int at = 0;
    for (int i = 0; i < count; ++i) {
        if (from == order[i] || IsChild(order[i], from)) at = i;
    }
    SetFocus(order[(at + (backwards ? count - 1 : 1)) % count]);
}

bool Form1::PreTranslateMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)) return false;
    // An open drop-down list keeps its own keys.
    if (Text1_.DroppedDown()) return false;
    const bool ctrl = KeyIsDown(VK_CONTROL);
    if (msg.wParam == VK_F3 || (msg.wParam == 'F' && ctrl)) {
        FocusSearchBox();
        return true;
    }
    if (msg.wParam == VK_TAB && !ctrl && msg.message == WM_KEYDOWN) {
        MoveFocus(msg.hwnd, KeyIsDown(VK_SHIFT));
        return true;
    }
    return false;
}

// Keys in the playlist that act on its selected entry as the mouse and the playlist menu do.
void Form1::KeyDown(int16_t& KeyCode, int16_t Shift) {
    const int16_t selected = QMListBox1_.Model().ListIndex();
    const bool onEntry = selected >= 0 && selected < QMListBox1_.ListCount();
    if (KeyCode == VK_RETURN && onEntry && commands_) {
        commands_->PlayEntryAt(selected);
    } else if (KeyCode == VK_DELETE && onEntry) {
        state_.MenuIndex = selected;
        RunCommand(Command::DEL);
    } else if ((KeyCode == VK_APPS || (KeyCode == VK_F10 && (Shift & 1))) && QMListBox1_.ListCount() > 0) {
        OpenPlaylistMenuAtSelection();
    } else {
        return;
    }
    KeyCode = 0;
}

// Enter searches, Backspace empties the whole box. True when the key is used up: no beep, no
// half-erased text.
bool Form1::Text1_KeyPress(wchar_t KeyAscii) {
    if (KeyAscii == 8) {
        Text1_.SetText(u"");
        SetFocus(Text1_.hwnd());
        return true;
    }
    if (KeyAscii != 13) return false;
    searchState_.SearchPage = 1;
    searchState_.SearchTarget = site::TargetResults;
    const Text words = Text1_.GetText();
    if (history_.Remember(words)) Text1_.Add(words);
    if (commands_) commands_->SearchFromBox(words);
    return true;
}

// Completes the typed text from the history: the first entry it begins (as a wildcard pattern).
void Form1::Text1_Change() {
    if (completing_) return;
    const Text typed = Text1_.GetText();
    const auto entry = history_.CompletionOf(typed);
    if (!entry) return;
    completing_ = true;
    Text1_.SetText(*entry);
    completing_ = false;
    Text1_.SelectText(static_cast<int>(typed.size()), static_cast<int>(entry->size()));
}

}  // namespace mulan::app::ui
