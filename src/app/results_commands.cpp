#include "app/results_commands.h"

namespace mulan::app {

namespace {

constexpr uint32_t kPlayingColour = 0xC000;
constexpr uint32_t kInfoBalloon = 1;
constexpr uint32_t kNoticeTimeoutMs = 5000;
constexpr char16_t kNowPlaying[] = u"正在播放：";
constexpr char16_t kNoAddress[] = u"无法获取歌曲地址：";
constexpr char16_t kPlaying[] = u"播放中";

}  // namespace

void ResultsCommands::DblClick(TextView caption) {
    if (list_.Count() < 1) return;
    PlaySelected(caption, Order::DoubleClick);
}

void ResultsCommands::PlayS(TextView caption) {
    PlaySelected(caption, Order::Menu);
}

void ResultsCommands::PlaySelected(TextView caption, Order order) {
    const auto selected = list_.Selected();
    if (!selected) return;
    // A copy: fetching the address lets other events run, and a new search may empty the list.
    const ResultRow row = list_.Row(*selected);
    const Text caption_copy(caption);

    host_.AddToPlaylist(row.name, row.id);
    // The entry just appended; the titles below are read from it even if more entries are
    // appended while the pages are fetched.
    const auto index = static_cast<int16_t>(host_.PlaylistCount() - 1);
    host_.SetPlaylistPlayIndex(index);
    host_.SetPlaylistPlayingColour(kPlayingColour);
    const auto address = host_.ResolveSongAddress(row.id);
    if (!address) {
        host_.SetStatusPanel1(kNoAddress + host_.PlaylistTitle(index));
        return;
    }
    const auto announce = [&] {
        const Text title = host_.PlaylistTitle(index);
        host_.SetStatusPanel1(kNowPlaying + title);
        host_.ShowTrayNotice(
            TrayNotice{caption_copy, kNowPlaying + title, kInfoBalloon, kNoticeTimeoutMs});
        host_.SetNowPlayingTitle(title);
    };
    if (order == Order::DoubleClick) {
        host_.SetPlayerURL(*address);
        announce();
        host_.SetPauseCaption(kPlaying);
        host_.FetchLyrics(row.id);
    } else {
        host_.FetchLyrics(row.id);
        host_.SetPlayerURL(*address);
        host_.SetPauseCaption(kPlaying);
        announce();
    }
}

void ResultsCommands::AddItim() {
    for (const auto& row : list_.TakeRowsToAdd()) host_.AddToPlaylist(row.name, row.id);
}

void ResultsCommands::AllSel() {
    list_.CheckAll();
}

void ResultsCommands::FSelc() {
    list_.InvertChecks();
}

}  // namespace mulan::app
