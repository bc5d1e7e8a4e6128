#pragma once

#include <windows.h>

#include <optional>

#include "app/command.h"
#include "app/form1_layout.h"
#include "app/main_view.h"
#include "app/main_window_state.h"
#include "app/media_keys.h"
#include "app/menu_model.h"
#include "app/playback_commands.h"
#include "app/search_history.h"
#include "app/ui/f_child_win32.h"
#include "app/ui/frame_win32.h"
#include "app/ui/skin_win32.h"
#include "app/ui/trayico_win32.h"
#include "controls/playlist/qmlistbox_win32.h"
#include "player/media_player.h"
#include "player/media_player_win32.h"
#include "site/message_pump_win32.h"
#include "site/search.h"
#include "window/c_magnetic_wnd_win32.h"
#include "window/typed_controls_win32.h"
#include "window/window_base_win32.h"

namespace mulan::app::ui {

// The player's main window: its controls, menus, state, start-up, close to the tray and exit. It
// shows what the owner of the playback and the site tells it (MainView) and sends it the user's
// commands (PlaybackCommands, and the results window's through ResultsHost).
class Form1 final : public window::WindowBase,
                    public MainView,
                    public TrayHost,
                    public player::MediaPlayerEvents,
                    public site::MessageFilter,
                    private playlist::PlaylistEvents {
  public:
    Form1();
    ~Form1() override;

    // Creates the window and its controls, runs the start-up and shows it.
    bool Create(int showCommand);
    // The owner of the playback and the site plugs in here, and takes itself out again (nulls).
    void Connect(PlaybackCommands* commands, ResultsHost* results);

    MainWindowState& state() { return state_; }
    player::MediaPlayer& player() { return player_; }
    playlist::QMListBox& playlist() { return QMListBox1_; }
    site::SearchState& searchState() { return searchState_; }
    window::cMagneticWnd& magneticWnd() { return oMagneticWnd_; }
    const MenuModel& menu(MenuId id) const;
    // The window of a control of the layout.
    HWND ControlWindow(Form1Control control) const;
    HWND fChild() const { return fChild_.hwnd(); }
    bool trayIconUp() const { return tray_.IsUp(); }
    Trayico& tray() { return tray_; }
    bool Timer3Enabled() const { return timer3On_; }
    std::optional<StartupFailure> startupFailure() const { return startupFailure_; }
    void RunCommand(Command command);
    // The window's own keys, seen before the control with the focus gets them: Tab and Shift+Tab
    // between the search box, the playlist and the sliders, Ctrl+F and F3 to the search box.
    // True when the message was used up.
    bool PreTranslateMessage(const MSG& msg) override;
    // The DPI the window is laid out at.
    int Dpi() const { return dpi_; }

    // MainView
    Text PauseCaption() const override;
    void SetPauseCaption(TextView caption) override;
    void SetStatusPanel1(TextView text) override { StatusBar1_.SetPanelText(1, text); }
    void SetStatusPanel2(TextView text) override { StatusBar1_.SetPanelText(2, text); }
    void ShowTrayNotice(const TrayNotice& notice) override { tray_.ShowTrayNotice(notice); }
    void AddToPlaylist(const site::SearchResult& result) override;
    int32_t PlaylistCount() override { return QMListBox1_.ListCount(); }
    void AddResultRow(const site::SearchResult& result) override { fChild_.AddRow(result); }
    int32_t ResultRowCount() override { return fChild_.RowCount(); }
    void FinishResultsList() override { fChild_.FinishResultsList(); }
    void ClearResults() override { fChild_.Clear(); }
    void SetResultsCaption(TextView caption) override { fChild_.SetCaption(caption); }
    Text CurrentText() override { return Text1_.GetText(); }
    void SetCaption(TextView caption) override { Label1_.SetText(caption); }
    void ShowProgress(int range, int position) override;
    int ProgressRange() const override { return ProgressBar1_.RangeMax(); }
    int ProgressPosition() const override { return ProgressBar1_.Pos(); }
    int ProgressWidth() const override { return ProgressBar1_.Width(); }
    void ShowSeekPosition(int maximum, int position) override;
    int SeekMaximum() const override { return Slider1_.RangeMax(); }
    int SeekPosition() const override { return Slider1_.Pos(); }
    int Volume() const override { return Slider2_.Pos(); }
    void ShowStatus(TextView text) override { StatusBar1_.SetPanelText(2, text); }
    Text ShownStatus() const override { return StatusBar1_.PanelText(2); }
    void ShowLyricLine(TextView line) override { Label1_.SetText(line); }
    Text ShownLyricLine() const override { return Label1_.Shown(); }
    void ClearLyricList() override { List1_.Clear(); }
    void AddLyricLine(TextView line) override { List1_.Add(line); }
    void ShowPlaylistTip(TextView text) override { tooltip_.SetToolText(QMListBox1_.hwnd(), text); }
    void ShowLibraryProgress(TextView text) override;
    void AnnounceInTray(TextView balloon) override;

    // TrayHost
    HWND MainWindow() const override { return hwnd(); }
    HICON MainIcon() const override { return trayIcon_; }
    Text Caption() const override;
    const MainWindowState& State() const override { return state_; }
    void OpenEndMenu() override;
    void SetShowsVisible(bool visible) override;

    // MediaPlayerEvents of WindowsMediaPlayer1
    void PlayStateChange(int32_t NewState) override;
    void StatusChange() override;
    void Click() override;
    void DoubleClick() override;
    void MouseDown() override;
    void MouseUp() override;
    void MouseMove() override;

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    bool CreateControls();
    bool CreateSliders();
    bool CreateSearchBox();
    bool CreateStateHolders();
    void WireEvents();
    void OpenPopup(const MenuModel& menu, POINT at);

    void Form_Initialize();
    void Form_Load();
    std::optional<StartupFailure> LoadAfterTray();
    void Form_QueryUnload();
    void Form_Resize();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Command2_Click();
    void QMListBox1_MouseUp(int16_t Button, double X, double Y);
    // PlaylistEvents of QMListBox1
    void DBClick(int16_t Button, int16_t Shift, float X, float Y) override;
    void MouseMove(int16_t Button, int16_t Shift, float X, float Y) override;
    void MouseUp(int16_t Button, int16_t Shift, float X, float Y) override;
    void KeyDown(int16_t& KeyCode, int16_t Shift) override;
    void ListIndexChanged(int16_t&, int16_t&, int16_t&) override {}
    void PlayIndexChanged(int16_t&, int16_t&, int16_t&) override {}
    bool Text1_KeyPress(wchar_t KeyAscii);
    void Text1_Change();
    void StatusBar1_MouseMove();
    void Slider1_Click();
    void SetPlayMode(PlayMode mode);
    void SetTimer3(bool on);
    void shows_Click();
    void ends_Click();

    void HotKeyPressed(WPARAM id);
    bool AppCommandPressed(LPARAM lp);

    SIZE FrameSize() const;
    // A control's rectangle at the window's DPI (the search box with its drop-down list).
    RECT PlaceOf(Form1Control control) const;
    void MakeFonts();
    void ApplyFonts();
    void SetBoxHeight();
    void SetPanelEdges();
    void LayOut();
    void DpiChanged(int dpi, const RECT& suggested);
    void FitClientArea();
    int ClientHeight() const;
    void KeepInWorkArea();
    void FocusSearchBox();
    void MoveFocus(HWND from, bool backwards);
    void OpenPlaylistMenuAtSelection();
    void RegisterMediaKeys();
    void MediaKeyPressed(MediaKey key);

    // First member: it outlives every hook it put on the windows below.
    window::cMagneticWnd oMagneticWnd_;
    MainWindowState state_;
    MenuModel menu_;
    MenuModel mos_;
    MenuModel endMenu_;
    player::MediaPlayerWin32 player_;
    window::ProgressBar ProgressBar1_;
    window::Trackbar Slider1_;
    window::Trackbar Slider2_;
    window::Button Command2_;
    window::ComboBox Text1_;
    FrameControl Frame1_;
    window::Label Label1_;
    playlist::QMListBox QMListBox1_;
    window::StatusBar StatusBar1_;
    window::ListBox List1_;
    window::Button Option1_;
    window::Button Option2_;
    window::Button Option3_;
    window::Label WebBrowser1_;
    FChild fChild_;
    Trayico tray_;
    window::Tooltip tooltip_;
    SearchHistory history_;
    SkinLibrary skin_;
    PlaybackCommands* commands_ = nullptr;
    HICON icon_ = nullptr;
    HICON trayIcon_ = nullptr;
    win::ScopedFont font_;
    win::ScopedFont labelFont_;
    int dpi_ = 96;
    site::SearchState searchState_;
    bool completing_ = false;
    int16_t timer2Ticks_ = 0;
    std::optional<StartupFailure> startupFailure_;
    bool loaded_ = false;
    bool timer3On_ = false;
    bool fitting_ = false;
    // Pixels the playlist gave up so that the window fits its monitor's work area.
    int playlistCut_ = 0;
    // The library's progress, shown in a third status panel while there is any.
    Text libraryProgress_;
    HWND lastFocus_ = nullptr;
};

}  // namespace mulan::app::ui
