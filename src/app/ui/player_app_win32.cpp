#include "app/ui/player_app_win32.h"

#include <commctrl.h>

#include <cmath>

#include "app/display_text.h"
#include "app/ui/form2_win32.h"
#include "site/encode_query.h"
#include "site/site_error.h"
#include "site/song_address.h"

namespace mulan::app::ui {

namespace {

constexpr char16_t kStartupKey[] = u"u";
// The progress bar counts tenths of a second: it only takes whole numbers.
constexpr double kBarUnitsPerSecond = 10;

int RoundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, -1e9, 1e9)));
}

}  // namespace

PlayerApp::PlayerApp(Form1& form)
    : form_(form),
      pump_(&form),
      site_{transport_, codec_, pump_, site::SiteHosts::Built()},
      controller_(form.state(), form.playlist().Model(), form.playlist().Properties(), form.player(), *this,
                  *this) {
    form.resultsWindow().SetHost(&results_);
    form.SetCommands(this);
}

PlayerApp::~PlayerApp() {
    form_.SetCommands(nullptr);
    form_.resultsWindow().SetHost(nullptr);
}

// A failed request never ends the program: the song is not started and panel 1 says why.
std::optional<Text> PlayerApp::ResolveSongAddress(TextView id) {
    try {
        return site::ResolveSongAddress(site_, id);
    } catch (const site::SiteError&) {
        return std::nullopt;
    }
}

bool PlayerApp::FetchLyrics(TextView id) {
    return site::FetchEntryLyrics(site_, id, *this, *this);
}

void PlayerApp::Pla() {
    controller_.PlayEntry(form_.state().MenuIndex, PlayTrigger::Pla);
}

Text PlayerApp::MenuEntryAddress() {
    const Text id = form_.playlist().Model().URL(form_.state().MenuIndex);
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

Text PlayerApp::PauseCaption() const {
    const MenuItem* item = form_.menu(MenuId::EndMenu).Find(Command::zant);
    return item ? item->caption : Text();
}

void PlayerApp::SetPauseCaption(TextView caption) {
    form_.menu(MenuId::EndMenu).SetCaption(Command::zant, caption);
}

void PlayerApp::Search(TextView firstKey) {
    form_.resultsWindow().Clear();
    Text address = site::FirstSearchPageAddress(site_, firstKey);
    site::SearchHost host{form_.searchState(), *this, *this, *this};
    site::RunSearch(address, site_, host);
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
    const auto& model = form_.playlist().Model();
    form_.SetPlaylistTip(PlaylistToolTip(model.URL(index), model.Title(index)));
}

void PlayerApp::AddToPlaylist(TextView name, TextView id) {
    form_.playlist().AddItem(name, id, id, u"");
}

void PlayerApp::AddResultRow(TextView id, TextView name) {
    form_.resultsWindow().AddRow(id, name);
}

int32_t PlayerApp::ResultRowCount() {
    return form_.resultsWindow().RowCount();
}

void PlayerApp::FinishResultsList() {
    form_.resultsWindow().FinishResultsList();
}

void PlayerApp::SetResultsCaption(TextView caption) {
    form_.resultsWindow().SetCaption(caption);
}

void PlayerApp::Clear() {
    form_.List1().Clear();
    lyricLines_.clear();
}

void PlayerApp::Add(TextView line) {
    form_.List1().Add(line);
    lyricLines_.emplace_back(line);
}

// The displays follow the player; nothing happens while no song is loaded.
void PlayerApp::TickDisplay(bool full) {
    player::MediaPlayer& player = form_.player();
    if (player.status().empty()) return;
    const double duration = player.duration();
    const double position = player.currentPosition();
    form_.ProgressBar1().SetRange(RoundHalfEven(duration * kBarUnitsPerSecond));
    form_.ProgressBar1().SetPos(RoundHalfEven(position * kBarUnitsPerSecond));
    if (full) {
        form_.Slider1().SetRangeMax(RoundHalfEven(duration));
        form_.Slider1().SetPos(RoundHalfEven(position));
        player.SetVolume(form_.Slider2().Pos());
    }
    const Text time = GetMusicLong(position);
    form_.StatusBar1().SetPanelText(2, player.status());
    if (const auto line = LyricLineFor(lyricLines_, time)) SetCaption(*line);
}

int32_t PlayerApp::ResultsBridge::AddToPlaylist(TextView name, TextView id) {
    return app_.form_.playlist().AddItem(name, id, id, u"");
}
int32_t PlayerApp::ResultsBridge::PlaylistCount() const {
    return app_.form_.playlist().ListCount();
}
Text PlayerApp::ResultsBridge::PlaylistTitle(int16_t index) const {
    return app_.form_.playlist().Model().Title(index);
}
void PlayerApp::ResultsBridge::SetPlaylistPlayIndex(int16_t index) {
    app_.form_.playlist().Model().SetPlayIndex(index);
}
void PlayerApp::ResultsBridge::SetPlaylistPlayingColour(uint32_t colour) {
    app_.form_.playlist().Properties().SetItemPlyTextColor(colour);
}
void PlayerApp::ResultsBridge::SetPlayerURL(TextView address) {
    app_.form_.player().SetURL(address);
}
void PlayerApp::ResultsBridge::SetNowPlayingTitle(TextView title) {
    app_.form_.state().NowPlayingTitle = Text(title);
}

}  // namespace mulan::app::ui
