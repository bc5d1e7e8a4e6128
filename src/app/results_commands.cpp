#include "app/results_commands.h"

#include "app/player_texts.h"

namespace mulan::app {

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
        host_.ShowTrayNotice(InfoNotice(caption_copy, kNowPlaying + title));
        host_.SetNowPlayingTitle(title);
    };
    if (order == Order::DoubleClick) {
        host_.SetPlayerURL(*address);
        announce();
        host_.SetPauseCaption(kPausePlaying);
        host_.FetchLyrics(row.id);
    } else {
        host_.FetchLyrics(row.id);
        host_.SetPlayerURL(*address);
        host_.SetPauseCaption(kPausePlaying);
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
