#include "app/results_commands.h"

namespace mulan::app {

void ResultsCommands::DblClick(TextView caption) {
    if (list_.Count() < 1) return;
    PlaySelected(caption, ResultStart::DoubleClick);
}

void ResultsCommands::PlayS(TextView caption) {
    PlaySelected(caption, ResultStart::Menu);
}

void ResultsCommands::PlaySelected(TextView caption, ResultStart start) {
    const auto selected = list_.Selected();
    if (!selected) return;
    // A copy: fetching the address lets other events run, and a new search may empty the list.
    const site::SearchResult result = list_.Row(*selected);
    host_.PlayResult(result, start, caption);
}

void ResultsCommands::AddItim() {
    for (const auto& row : list_.TakeRowsToAdd()) host_.AddToPlaylist(row);
}

void ResultsCommands::AllSel() {
    list_.CheckAll();
}

void ResultsCommands::FSelc() {
    list_.InvertChecks();
}

}  // namespace mulan::app
