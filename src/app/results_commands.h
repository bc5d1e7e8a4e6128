#pragma once

#include "base/text.h"
#include "app/results_host.h"
#include "app/results_list.h"

namespace mulan::app {

// The results window's commands: what its double-click and its pop-up menu entries do with the
// rows, through the owner of the playlist and the player.
class ResultsCommands {
  public:
    ResultsCommands(ResultsList& list, ResultsHost& host) : list_(list), host_(host) {}

    // Appends the selected row to the playlist and plays the new entry. caption is the results
    // window's caption at the time, the tray notice's tip.
    void DblClick(TextView caption);
    // The same steps as the double-click with the lyrics fetched before the player starts.
    void PlayS(TextView caption);
    // Appends the checked rows (unchecking them) and the selected row as ResultsList decides.
    void AddItim();
    void AllSel();
    void FSelc();

  private:
    void PlaySelected(TextView caption, ResultStart start);

    ResultsList& list_;
    ResultsHost& host_;
};

}  // namespace mulan::app
