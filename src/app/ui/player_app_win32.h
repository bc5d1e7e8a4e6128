#pragma once

#include <windows.h>

#include "app/ui/form1_win32.h"
#include "app/playback_commands.h"
#include "app/playback_controller.h"
#include "app/ui/song_download_win32.h"
#include "site/lyrics.h"
#include "site/message_pump_win32.h"
#include "app/results_host.h"
#include "site/search.h"
#include "site/site_access.h"
#include "site/windows_codec_win32.h"
#include "site/winhttp_transport_win32.h"

namespace mulan::app::ui {

// Joins the main window to the site client and the playback controller: the commands of its
// menus, the playlist's double click, the searches, the display ticks, and the lyrics.
class PlayerApp final : public PlaybackCommands,
                        private SongSite,
                        private PlaybackWindow,
                        private site::HitSink,
                        private site::SearchStatusSink,
                        private site::SearchBox,
                        private site::LyricLines,
                        private site::LyricLabel {
  public:
    // Installs itself as form's commands and its results window's host, and takes itself out again
    // when it goes: the windows may outlive it, never the other way round.
    explicit PlayerApp(Form1& form);
    ~PlayerApp() override;
    PlayerApp(const PlayerApp&) = delete;
    PlayerApp& operator=(const PlayerApp&) = delete;

    // PlaybackCommands
    void Pla() override;
    void Dolown() override;
    void se360() override;
    void DEL() override { controller_.DeleteEntry(); }
    void Cles() override { controller_.ClearList(); }
    void zant() override { controller_.TogglePause(); }
    void UP() override { controller_.StepPrevious(); }
    void Next() override { controller_.StepNext(); }
    void PlayEntryAt(int16_t index) override { controller_.PlayEntry(index, PlayTrigger::DoubleClick); }
    void StartupSearch() override;
    void SearchFromBox(TextView words) override;
    void PlaylistHover(int16_t index) override;
    void PlayStateChange(int32_t NewState) override { controller_.PlayStateChange(NewState); }
    void StatusChange() override { controller_.StatusChange(); }
    void TickDisplay(bool full) override;
    void BeforeExit() override { downloads_.AbandonAll(); }

    // What the results window's commands reach.
    ResultsHost& resultsHost() { return results_; }

  private:
    // The results window's view of the playlist, site, player and displays.
    class ResultsBridge final : public ResultsHost {
      public:
        explicit ResultsBridge(PlayerApp& app) : app_(app) {}
        int32_t AddToPlaylist(TextView name, TextView id) override;
        int32_t PlaylistCount() const override;
        Text PlaylistTitle(int16_t index) const override;
        void SetPlaylistPlayIndex(int16_t index) override;
        void SetPlaylistPlayingColour(uint32_t colour) override;
        std::optional<Text> ResolveSongAddress(TextView id) override { return app_.ResolveSongAddress(id); }
        bool FetchLyrics(TextView id) override { return app_.FetchLyrics(id); }
        void SetPlayerURL(TextView address) override;
        void SetStatusPanel1(TextView text) override { app_.SetStatusPanel1(text); }
        void ShowTrayNotice(const TrayNotice& notice) override { app_.ShowTrayNotice(notice); }
        void SetNowPlayingTitle(TextView title) override;
        void SetPauseCaption(TextView caption) override { app_.SetPauseCaption(caption); }

      private:
        PlayerApp& app_;
    };

    // SongSite
    std::optional<Text> ResolveSongAddress(TextView id) override;
    bool FetchLyrics(TextView id) override;
    // PlaybackWindow
    Text PauseCaption() const override;
    void SetPauseCaption(TextView caption) override;
    void SetStatusPanel1(TextView text) override { form_.StatusBar1().SetPanelText(1, text); }
    void ShowTrayNotice(const TrayNotice& notice) override { form_.tray().ShowTrayNotice(notice); }
    Text Caption() const override { return form_.Caption(); }
    // HitSink
    void AddToPlaylist(TextView name, TextView id) override;
    int32_t PlaylistCount() override { return form_.playlist().ListCount(); }
    void AddResultRow(TextView id, TextView name) override;
    int32_t ResultRowCount() override;
    void FinishResultsList() override;
    // SearchStatusSink
    void SetResultsCaption(TextView caption) override;
    void SetStatusPanel2(TextView text) override { form_.StatusBar1().SetPanelText(2, text); }
    // SearchBox
    Text CurrentText() override { return form_.Text1().GetText(); }
    // LyricLines and LyricLabel: the hidden list List1 and the label Label1.
    void Clear() override;
    void Add(TextView line) override;
    void SetCaption(TextView caption) override { form_.Label1().SetText(caption); }

    void Search(TextView firstKey);
    // The audio address of the entry the playlist menu was opened on; empty when there is none.
    Text MenuEntryAddress();
    Form1& form_;
    site::WinHttpTransport transport_;
    site::WindowsCodec codec_;
    site::WindowsMessagePump pump_;
    site::SiteAccess site_;
    PlaybackController controller_;
    ResultsBridge results_{*this};
    SongDownloads downloads_;
    // The lines List1 holds, kept beside it: the display tick reads them ten times a second, and a
    // long lyrics page would otherwise be read back through the list box line by line each time.
    std::vector<Text> lyricLines_;
};

}  // namespace mulan::app::ui
