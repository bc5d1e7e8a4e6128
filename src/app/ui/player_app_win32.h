#pragma once

#include <windows.h>

#include "app/music_source.h"
#include "app/ui/form1_win32.h"
#include "app/ui/own_music_win32.h"
#include "app/playback_commands.h"
#include "app/display_ticker.h"
#include "app/playback_controller.h"
#include "app/ui/song_download_win32.h"
#include "site/lyrics.h"
#include "site/message_pump_win32.h"
#include "site/search.h"
#include "site/site_access.h"
#include "site/windows_codec_win32.h"
#include "site/winhttp_transport_win32.h"
#include "site_server/library_transport.h"

namespace mulan::app::ui {

// The owner of the playback and the site: the site client, the playback controller, the downloads
// and the lyric lines. The main window is its view: it shows what this tells it (MainView) and
// sends the user's commands here; the results window's commands go to the controller.
class PlayerApp final : public PlaybackCommands, private SongSite {
  public:
    // Connects itself to form's commands and its results window, and disconnects when it goes:
    // the windows may outlive it, never the other way round.
    // source: where the songs come from at first; onlyGivenFolders: a command line named the folders
    // of this computer's music, which then replace the Music folder for the run.
    PlayerApp(Form1& form, const MusicSource& source, bool onlyGivenFolders = false);
    ~PlayerApp() override;
    PlayerApp(const PlayerApp&) = delete;
    PlayerApp& operator=(const PlayerApp&) = delete;

    // PlaybackCommands
    void Run(Command command) override;
    void PlayEntryAt(int16_t index) override { controller_.PlayEntry(index, PlayTrigger::DoubleClick); }
    void StartupSearch() override;
    void SearchFromBox(TextView words) override;
    void PlaylistHover(int16_t index) override;
    void PlayStateChange(int32_t NewState) override { controller_.PlayStateChange(NewState); }
    void StatusChange() override { controller_.StatusChange(); }
    void TickDisplay(bool full) override;
    void BeforeExit() override { downloads_.AbandonAll(); }

    // Songs from now on come from source: the next search goes there.
    void UseSource(const MusicSource& source, bool onlyGivenFolders = false);
    const site::SiteHosts& hosts() const { return site_.hosts; }

  private:
    // SongSite
    std::optional<Text> ResolveSongAddress(TextView id) override;
    bool FetchLyrics(TextView id) override;
    // The lyric lines: List1, and a copy here.
    void ClearLyrics();
    void AddLyricLine(TextView line);

    void Dolown();
    void se360();
    void Search(TextView firstKey);
    // The "音乐来源…" dialog: a new choice is stored and used at once.
    void ChooseMusicSource();
    // The audio address of the entry the playlist menu was opened on; empty when there is none.
    Text MenuEntryAddress();

    Form1& form_;
    MainView& view_;
    MainWindowState& state_;
    playlist::PlaylistModel& playlist_;
    player::MediaPlayer& player_;
    site::SearchState& searches_;
    site::WinHttpTransport http_;
    site::WindowsCodec codec_;
    OwnMusic music_;
    // One transport for both sources: the own library's hosts answered in-process, a site's by HTTP.
    site_server::LibraryTransport transport_;
    site::WindowsMessagePump pump_;
    site::SiteAccess site_;
    PlaybackController controller_;
    DisplayTicker ticker_;
    SongDownloads downloads_;
    // The lines List1 holds, kept beside it: the display tick reads them ten times a second, and a
    // long lyrics page would otherwise be read back through the list box line by line each time.
    std::vector<Text> lyricLines_;
    // Counts the lyrics fetches: only the newest writes its lines and notices.
    uint32_t lyricsFetches_ = 0;
    MusicSource source_;
    // A site that does not answer is said once by balloon, not at every search.
    bool silentSiteSaid_ = false;
};

}  // namespace mulan::app::ui
