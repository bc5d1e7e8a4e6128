#include "app/ui/player_app_win32.h"

#include <commctrl.h>

#include "app/display_text.h"
#include "app/library_texts.h"
#include "app/ui/form2_win32.h"
#include "app/ui/known_folders_win32.h"
#include "app/ui/music_source_dialog_win32.h"
#include "app/ui/registry_source_store_win32.h"
#include "site/encode_query.h"
#include "site/site_error.h"
#include "site/song_address.h"

namespace mulan::app::ui {

namespace {

constexpr char16_t kStartupKey[] = u"u";

Text PathText(const std::filesystem::path& path) {
    return path.u16string();
}

Text MusicFolderText() {
    const auto folder = MusicFolder();
    return folder ? PathText(*folder) : Text();
}

}  // namespace

PlayerApp::PlayerApp(Form1& form, const MusicSource& source, bool onlyGivenFolders)
    : form_(form),
      view_(form),
      state_(form.state()),
      playlist_(form.playlist().Model()),
      player_(form.player()),
      searches_(form.searchState()),
      music_(form, codec_),
      transport_(music_, codec_, http_),
      pump_(&form),
      site_{transport_, codec_, pump_, {}},
      controller_(state_, playlist_, form.playlist().Properties(), player_, *this, view_),
      ticker_(player_, view_) {
    form.Connect(this, &controller_);
    UseSource(source, onlyGivenFolders);
}

void PlayerApp::UseSource(const MusicSource& source, bool onlyGivenFolders) {
    source_ = source;
    silentSiteSaid_ = false;
    site_.hosts = HostsOf(source, site_server::LibraryHosts());
    if (source.kind != MusicSource::Kind::ThisComputer) {
        music_.Close();
        return;
    }
    std::vector<std::filesystem::path> folders;
    for (const Text& folder : LibraryFolders(source, MusicFolderText(), onlyGivenFolders))
        folders.emplace_back(folder);
    music_.Open(folders);
}

void PlayerApp::ChooseMusicSource() {
    RegistrySourceStore store;
    const MusicSource current = store.Load().value_or(source_);
    const auto chosen = ui::ChooseMusicSource(form_.hwnd(), current, MusicFolderText());
    if (!chosen) return;
    store.Save(*chosen);
    UseSource(*chosen);
}

PlayerApp::~PlayerApp() {
    form_.Connect(nullptr, nullptr);
}

// A failed request never ends the program: the song is not started and panel 1 says why. A song of
// the player's own library is its file: the player opens it, the link window shows it, a download
// copies it.
std::optional<Text> PlayerApp::ResolveSongAddress(TextView id) {
    try {
        std::optional<Text> address = site::ResolveSongAddress(site_, id);
        if (!address) return address;
        const std::string ascii(address->begin(), address->end());
        if (const auto file = transport_.FileOf(ascii)) return PathText(*file);
        return address;
    } catch (const site::SiteError&) {
        return std::nullopt;
    }
}

// A song started while another's lyrics are fetched (the wait lets every event run) fetches its own;
// the older fetch, coming back later, must not put its lines under the newer song.
bool PlayerApp::FetchLyrics(TextView id) {
    struct Newest final : site::LyricLines, site::LyricLabel {
        Newest(PlayerApp& app, uint32_t ticket) : app_(app), ticket_(ticket) {}
        bool Current() const { return ticket_ == app_.lyricsFetches_; }
        void Clear() override {
            if (Current()) app_.ClearLyrics();
        }
        void Add(TextView line) override {
            if (Current()) app_.AddLyricLine(line);
        }
        void SetCaption(TextView caption) override {
            if (Current()) app_.view_.SetCaption(caption);
        }
        PlayerApp& app_;
        const uint32_t ticket_;
    } newest(*this, ++lyricsFetches_);
    return site::FetchEntryLyrics(site_, id, newest, newest);
}

void PlayerApp::Run(Command command) {
    switch (command) {
        case Command::Pla:
            return controller_.PlayEntry(state_.MenuIndex, PlayTrigger::Pla);
        case Command::Dolown:
            return Dolown();
        case Command::se360:
            return se360();
        case Command::DEL:
            return controller_.DeleteEntry();
        case Command::Cles:
            return controller_.ClearList();
        case Command::zant:
            return controller_.TogglePause();
        case Command::UP:
            return controller_.StepPrevious();
        case Command::Next:
            return controller_.StepNext();
        case Command::MusicSource:
            return ChooseMusicSource();
        default:
            return;
    }
}

Text PlayerApp::MenuEntryAddress() {
    const Text id = playlist_.URL(state_.MenuIndex);
    if (id.empty()) return {};
    return ResolveSongAddress(id).value_or(Text());
}

void PlayerApp::Dolown() {
    const Text address = MenuEntryAddress();
    if (address.empty()) {
        MessageBoxW(form_.hwnd(), L"下载失败：没有取得这首歌曲的地址。", L"下载歌曲", MB_ICONWARNING | MB_OK);
        return;
    }
    downloads_.DownloadSong(form_.hwnd(), address);
}

void PlayerApp::se360() {
    ShowSongLink(form_.hwnd(), MenuEntryAddress());
}

void PlayerApp::Search(TextView firstKey) {
    view_.ClearResults();
    Text address = site::FirstSearchPageAddress(site_, firstKey);
    site::SearchHost host{searches_, view_, view_, view_};
    // A site that does not answer is also said once by balloon.
    if (site::RunSearch(address, site_, host) == site::SearchOutcome::SiteNotReached &&
        source_.kind == MusicSource::Kind::Site && !silentSiteSaid_) {
        silentSiteSaid_ = true;
        view_.AnnounceInTray(SiteSilentText(site_.hosts.site));
    }
}

void PlayerApp::StartupSearch() {
    // The results list is emptied first, as for every search.
    Search(kStartupKey);
}

void PlayerApp::SearchFromBox(TextView words) {
    Search(words);
}

void PlayerApp::PlaylistHover(int16_t index) {
    if (index < 0) return;
    view_.ShowPlaylistTip(PlaylistToolTip(playlist_.URL(index), playlist_.Title(index)));
}

void PlayerApp::ClearLyrics() {
    view_.ClearLyricList();
    lyricLines_.clear();
}

void PlayerApp::AddLyricLine(TextView line) {
    view_.AddLyricLine(line);
    lyricLines_.emplace_back(line);
}

void PlayerApp::TickDisplay(bool full) {
    ticker_.Tick(full, lyricLines_);
}

}  // namespace mulan::app::ui
